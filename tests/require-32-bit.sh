# shellcheck shell=bash
# Sourced first by every script that starts 32-bit Windows programs under
# Wine. Where the kernel executes no 32-bit program, nothing of it can run:
# the test is skipped (status 77, CTest's SKIP_RETURN_CODE) with the reason.
# A missing or broken Wine is a failure.
drivora_machine_status=0
drivora_machine=$("$(dirname "${BASH_SOURCE[0]}")/../tools/machine-check") || drivora_machine_status=$?
case $drivora_machine_status in
  0) ;;
  3) echo "skipped: $drivora_machine"; exit 77 ;;
  *) echo "FAIL: $drivora_machine" >&2; exit 1 ;;
esac
