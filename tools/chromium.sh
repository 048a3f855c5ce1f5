# shellcheck shell=bash
# Debian's Chromium, headless, for pages the tools and tests render: sourced.
# headless_chromium PROFILE_DIR ARG... runs it once with a fresh profile in
# PROFILE_DIR and none of the background connections a closed network refuses.
# CHROMIUM is empty when no Chromium is installed.

CHROMIUM=$(command -v chromium || command -v chromium-browser || true)

headless_chromium() {
  local profile=$1
  shift
  timeout 120 "$CHROMIUM" --headless --disable-gpu --no-sandbox --no-first-run --disable-quic \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>/dev/null
}
