# Registers the GoogleTest cases of a Windows test program with CTest, read
# from its sources when CMake configures. Asking the program for its list
# instead (gtest_discover_tests) would need Wine whenever CTest merely lists
# or counts the tests, and a machine that cannot run 32-bit programs could
# then not even report them as skipped.
#
# drivora_wine_tests(TARGET [SUITES regex...] [EXCLUDE regex...]
#                    [WHOLE_SUITES name...] [PROPERTIES ...])
#   One test per TEST or TEST_F case, named Suite.Case, run in a process of
#   its own; one test per value-parameterized suite, named Prefix.Suite, all
#   its values in one process. A suite named in WHOLE_SUITES is one test too,
#   named Suite: for suites whose cases touch nothing outside their process,
#   which then share one start of Wine. SUITES keeps only the suites that
#   match one of the expressions (whole names), EXCLUDE drops those that
#   match. CTest starts each through the target's emulator (tests/wine-run,
#   or the target's own). A case that calls GTEST_SKIP is counted as skipped.

function(drivora_wine_tests target)
  cmake_parse_arguments(arg "" "" "SUITES;EXCLUDE;WHOLE_SUITES;PROPERTIES" ${ARGN})
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(names)
  foreach(source ${sources})
    if(NOT source MATCHES "\\.cpp$")
      continue()
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source_dir}/${source})
    file(STRINGS ${source_dir}/${source} lines REGEX "^(TEST|TEST_F|INSTANTIATE_TEST_SUITE_P)\\(")
    foreach(line ${lines})
      if(line MATCHES "^TEST(_F)?\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\)")
        set(suite ${CMAKE_MATCH_2})
        set(name ${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
        set(filter ${name})
      elseif(line MATCHES "^INSTANTIATE_TEST_SUITE_P\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+),")
        set(suite ${CMAKE_MATCH_2})
        set(name ${CMAKE_MATCH_1}.${CMAKE_MATCH_2})
        set(filter ${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.*)
      else()
        message(FATAL_ERROR "${source}: cannot read the test name in: ${line}")
      endif()
      if(arg_SUITES)
        set(wanted FALSE)
        foreach(pattern ${arg_SUITES})
          if(suite MATCHES "^(${pattern})$")
            set(wanted TRUE)
          endif()
        endforeach()
        if(NOT wanted)
          continue()
        endif()
      endif()
      set(excluded FALSE)
      foreach(pattern ${arg_EXCLUDE})
        if(suite MATCHES "^(${pattern})$")
          set(excluded TRUE)
        endif()
      endforeach()
      if(excluded)
        continue()
      endif()
      if(suite IN_LIST arg_WHOLE_SUITES)
        set(name ${suite})
        set(filter ${suite}.*)
      endif()
      if(name IN_LIST names)
        continue()
      endif()
      add_test(NAME ${name} COMMAND ${target} --gtest_filter=${filter})
      list(APPEND names ${name})
    endforeach()
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "drivora_wine_tests(${target}): no test matches")
  endif()
  set_tests_properties(${names} PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]" ${arg_PROPERTIES})
endfunction()
