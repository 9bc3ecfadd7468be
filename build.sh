#!/usr/bin/env bash
# Builds KESTOR+ and runs the shipped example or the whole test suite.
#   ./build.sh example   build, then run examples/example.kes in examples/
#   ./build.sh test      build, then run every test
# On a fresh Debian machine it first installs the compiler, CMake, Ninja
# and GoogleTest (as root, with apt-get).
set -euo pipefail
cd "$(dirname "$0")"
what="${1:-test}"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
  else
    echo "missing: ${need[*]} (install them, or run as root)" >&2
    exit 1
  fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build

case "$what" in
  example)
    cd examples
    ../build/kestor example.kes
    ;;
  test)
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 example|test" >&2
    exit 2
    ;;
esac
