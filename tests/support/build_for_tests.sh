# Sourced by the scripts that regenerate expected files: builds the given
# targets in build/, configured with the tests (a build/ left by
# `./build.sh example` has none). A failed build shows its messages and
# exits with 3, so that it is never taken for "the expected files differ".
build_for_tests() {
  local root="$1" log
  shift
  log="$(mktemp "${TMPDIR:-/tmp}/kestor-build-XXXXXX")"
  if ! { cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTOR_TESTS=ON &&
         cmake --build "$root/build" --target "$@"; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "the build of $* failed" >&2
    exit 3
  fi
  rm -f "$log"
}
