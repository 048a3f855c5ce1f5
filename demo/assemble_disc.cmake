# Lays out the demo disc in OUT: the folder DISC as it is, and beside every
# NAME.ARG the stand-in installer INSTALLER as NAME.EXE, which does what the
# .ARG file says.
file(REMOVE_RECURSE ${OUT})
file(COPY ${DISC}/ DESTINATION ${OUT})
file(GLOB_RECURSE actions RELATIVE ${OUT} ${OUT}/*.ARG)
foreach(action IN LISTS actions)
  string(REGEX REPLACE "\\.ARG$" ".EXE" program ${action})
  configure_file(${INSTALLER} ${OUT}/${program} COPYONLY)
endforeach()
