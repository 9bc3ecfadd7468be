#!/usr/bin/env bash
# Builds KESTOR+ and runs the shipped example or the whole test suite.
#   ./build.sh example   build the program alone (no tests, no GoogleTest),
#                        then run examples/example.kes in examples/
#   ./build.sh test      build the program, the tests and the benchmarks, then
#                        run every test (the bit-identity check among them)
#   ./build.sh aarch64   cross build for 64-bit ARM in build-aarch64/ and run
#                        the tests there under qemu-user
#   ./build.sh sanitize  build with AddressSanitizer and UndefinedBehaviorSanitizer
#                        in build-asan/, then run every test; any report fails
#   ./build.sh fuzz [s]  build the fuzz targets with clang in build-fuzz/, then
#                        run them side by side for s seconds each (default 60)
#                        from seed corpora; a crash, hang or leak fails,
#                        and so does a working folder left behind
# On a fresh Debian machine it first installs the compiler, CMake, Ninja
# and GoogleTest (as root, with apt-get), clang with libFuzzer for fuzz, and
# the cross compiler, qemu-user and GoogleTest's sources for aarch64.
set -euo pipefail
cd "$(dirname "$0")"
what="${1:-test}"
root="$(pwd)"

install_packages() {
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
  else
    echo "missing: $* (install them, or run as root)" >&2
    exit 1
  fi
}

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
case "$what" in
  test|sanitize) [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev) ;;
  aarch64)
    command -v aarch64-linux-gnu-g++ >/dev/null || need+=(g++-aarch64-linux-gnu)
    command -v qemu-aarch64 >/dev/null || command -v qemu-aarch64-static >/dev/null || need+=(qemu-user)
    [ -f /usr/src/googletest/googletest/CMakeLists.txt ] || need+=(googletest)
    ;;
esac
if [ ${#need[@]} -gt 0 ]; then install_packages "${need[@]}"; fi

# clang and its libFuzzer runtime (a separate package on Debian).
need_fuzz_tools() {
  command -v clang++ >/dev/null || install_packages clang
  local major rt
  major="$(clang++ -dumpversion | cut -d. -f1)"
  rt="$(clang++ -print-runtime-dir)/libclang_rt.fuzzer-$(uname -m).a"
  [ -f "$rt" ] || install_packages "libclang-rt-${major}-dev"
}

# Seed corpora from the test fixtures: data files for the data-file
# reader, every fixture text for the free-format reader, and the fuzz
# seeds plus the fixture scripts (pointed at the fuzz data file) for the
# interpreter. Corpora grow in build-fuzz/corpus/ from run to run.
seed_corpora() {
  local c="$1" f
  mkdir -p "$c/free_format" "$c/datafile" "$c/interpreter"
  cp tests/fixtures/collisions/*.txt tests/fixtures/reliability/*.txt tests/fixtures/names/*.txt "$c/datafile/"
  find tests/fixtures -type f -size -64k -exec cp {} "$c/free_format/" \;
  cp tests/fuzz/seeds/interpreter/* "$c/interpreter/"
  for f in tests/fixtures/output/e2e/*.kes examples/*.kes; do
    { printf '%040d' 0; sed -e 's/modelgas\.dat/gas.txt/' -e 's/\bMx\b/X/g' "$f"; } > "$c/interpreter/$(basename "$f").seed"
  done
}

case "$what" in
  example)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTOR_TESTS=OFF -DKESTOR_BENCH=OFF >/dev/null
    cmake --build build --target kestor
    cd examples
    ../build/kestor example.kes
    ;;
  test)
    # The benchmarks are built too, so that they cannot stop compiling
    # unnoticed.
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTOR_TESTS=ON -DKESTOR_BENCH=ON >/dev/null
    cmake --build build
    ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"
    ;;
  aarch64)
    # GoogleTest is built from its sources with the cross compiler; ctest
    # runs every test program (and the end-to-end tests the program) under
    # qemu-aarch64 with the target's C library. No test is left out: every
    # one passes there. The numbers are not bit for bit those of x86-64:
    # the C library's erf (the exponential cell integrals) differs in the
    # last bit for about 1% of arguments (exp, log and pow agree), which
    # moves most stored doubles by 1e-16 to 1e-9 relative (small tail
    # entries of the distribution and anisotropy up to 4e-4), and in
    # electron-electron runs can change the iteration count by a few or
    # the iterate a run stops at (results up to about 2e-3): below the
    # digits of the tests; the bit-identity check compares within the
    # tolerances it prints there.
    cmake -S . -B build-aarch64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
      -DKESTOR_GTEST_SOURCE=/usr/src/googletest >/dev/null
    cmake --build build-aarch64
    ctest --test-dir build-aarch64 --output-on-failure --no-tests=error -j "$(nproc)" --timeout 1800
    ;;
  sanitize)
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTOR_SANITIZE=ON >/dev/null
    cmake --build build-asan
    # Reports also go to files, so that one from a kestor process run by an
    # end-to-end test cannot pass unnoticed.
    reports="$root/build-asan/sanitizer-reports"
    rm -rf "$reports" && mkdir -p "$reports"
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan" \
      ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$(nproc)" --timeout 900
    if [ -n "$(ls -A "$reports")" ]; then
      cat "$reports"/* >&2
      echo "sanitizer reports in $reports" >&2
      exit 1
    fi
    ;;
  fuzz)
    seconds="${2:-60}"
    need_fuzz_tools
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DKESTOR_FUZZ=ON -DKESTOR_TESTS=OFF >/dev/null
    cmake --build build-fuzz
    corpus="$root/build-fuzz/corpus"
    artifacts="$root/build-fuzz/artifacts"
    mkdir -p "$artifacts"
    seed_corpora "$corpus"
    # The targets make their working folders in a temporary directory of
    # this run's own, so that what they leave is not mixed up with other
    # runs on the machine; it goes when the script ends.
    fuzz_tmp="$(mktemp -d "${TMPDIR:-/tmp}/kestor-fuzzing.XXXXXX")"
    trap 'rm -rf "$fuzz_tmp"' EXIT
    # The targets run side by side, each on one core for the same time.
    targets=(free_format datafile interpreter)
    pids=()
    for target in "${targets[@]}"; do
      max_len=4096
      [ "$target" = datafile ] && max_len=32768
      echo "fuzz_$target: ${seconds} s"
      TMPDIR="$fuzz_tmp" "build-fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$corpus/$target" < /dev/null > "build-fuzz/fuzz_$target.log" 2>&1 &
      pids+=($!)
    done
    status=0
    for i in "${!targets[@]}"; do
      target="${targets[$i]}"
      if wait "${pids[$i]}"; then
        grep -h "^Done" "build-fuzz/fuzz_$target.log" || true
      else
        tail -n 60 "build-fuzz/fuzz_$target.log" >&2
        echo "fuzz_$target found a fault; the input is in $artifacts" >&2
        status=1
      fi
    done
    # Each target removes its folder however it ends; after a crash its
    # watcher does so just after the wait returns, hence the grace.
    for _ in $(seq 50); do
      [ -z "$(ls -A "$fuzz_tmp")" ] && break
      sleep 0.1
    done
    if [ -n "$(ls -A "$fuzz_tmp")" ]; then
      echo "fuzz targets left behind in the temporary directory:" $(ls -A "$fuzz_tmp") >&2
      status=1
    fi
    exit "$status"
    ;;
  *)
    echo "usage: $0 example|test|aarch64|sanitize|fuzz [seconds]" >&2
    exit 2
    ;;
esac
