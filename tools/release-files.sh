# shellcheck shell=bash
# What a shipped disc may hold, read from the files themselves: sourced by
# tools/make-disc and the tests of the built drivers.
#
#   release_driver_fault FILE   prints why FILE is not a release driver; false then
#   setup_exe_fault FILE        prints why FILE is not a shippable Setup.exe; false then
#
# The 64-bit objdump reads the headers of 32-bit and 64-bit files alike.

RELEASE_OBJDUMP=${RELEASE_OBJDUMP:-x86_64-w64-mingw32-objdump}
RELEASE_DRIVER_NAMES="s12345.sys s12345_win8.sys s1234564.sys s1234564_win8.sys"
# Setup.exe of a release is well under this; debug sections alone are megabytes.
RELEASE_SETUP_MAX_BYTES=1048576

# The test variant reads its board from a file named in the registry; the
# release variant answers from the machine alone and imports neither.
release_driver_fault() {
  local file=$1 imports
  imports=$("$RELEASE_OBJDUMP" -p "$file" 2>&1) || { echo "$file: not a Windows driver file ($imports)"; return 1; }
  if grep -E -q 'Zw(OpenKey|QueryValueKey|CreateFile|ReadFile)' <<<"$imports"; then
    echo "$file: the test variant of the driver (it reads a simulated board)"
    return 1
  fi
  grep -q 'ntoskrnl.exe' <<<"$imports" || { echo "$file: imports nothing from ntoskrnl.exe"; return 1; }
  return 0
}

setup_exe_fault() {
  local file=$1 headers size sections
  headers=$("$RELEASE_OBJDUMP" -h "$file" 2>&1) || { echo "$file: not a Windows program ($headers)"; return 1; }
  # The 9x test harness (tests/ninex) reads its board from these variables.
  if grep -a -q 'DRIVORA_NINEX_' "$file"; then
    echo "$file: carries the 9x test harness"
    return 1
  fi
  sections=$(awk '$2 ~ /^\.debug/ { print $2 }' <<<"$headers" | tr '\n' ' ')
  if [ -n "$sections" ]; then
    echo "$file: has debug sections ($sections)"
    return 1
  fi
  size=$(stat -c %s "$file")
  if [ "$size" -ge "$RELEASE_SETUP_MAX_BYTES" ]; then
    echo "$file: $size bytes, not under $RELEASE_SETUP_MAX_BYTES"
    return 1
  fi
  return 0
}
