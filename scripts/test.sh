#!/usr/bin/env bash
# The whole test suite, as CI runs it:
#   1. the Linux build with warnings as errors, and its tests;
#   2. the same suite again under AddressSanitizer + UndefinedBehaviorSanitizer;
#   3. the renderer's tests, which sample on several threads, under ThreadSanitizer;
#   4. the Windows x64 build (mingw-w64), its boundary checks, and its tests under wine, among
#      them every example scene rendered and sampled by the Windows ombrel-host and compared
#      with the Linux one of step 1;
#   5. the macOS x86_64 build (Zig's clang, LLVM's linker), checked on its files: exports,
#      imports, CPU and minimum system, no cut shader, and ombrel-host validate's static checks;
#   6. the scene-file and resource parsers and the module-file reader under libFuzzer (clang),
#      60 s each on the seed corpus.
# Each stage's time is printed when it ends, and all of them at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

stage_names=()
stage_seconds=()
stage_start=$SECONDS
stage_name="installing what the tests need"
stage() {
  stage_names+=("$stage_name")
  stage_seconds+=($((SECONDS - stage_start)))
  echo "   (${stage_seconds[-1]} s)"
  stage_name="$1"
  stage_start=$SECONDS
  echo "== $1"
}
summary() {
  stage_names+=("$stage_name")
  stage_seconds+=($((SECONDS - stage_start)))
  echo "== Stage times"
  for i in "${!stage_names[@]}"; do printf '%6d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"; done
  printf '%6d s  in all\n' "$SECONDS"
}
trap summary EXIT

scripts/install-deps.sh test

stage "Linux build and tests"
# The main job may have configured this folder without tests: switch them on again.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_WERROR=ON -DBUILD_TESTING=ON \
  -DOMBREL_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

stage "Linux tests under ASan + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_SANITIZE=ON -DOMBREL_WERROR=ON \
  -DOMBREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# intercept_tls_get_addr=0: the leak check at exit otherwise scans a made-up range of dynamic
# thread-local storage in about 1 run in 20 to 100 of any program that opens a library with TLS
# late (the module, the image library) and dies ("Tracer caught signal 11"); see
# host/image/known_library_leaks.cpp and docs/reliability.md, "Sanitizer runs".
asan_options=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
ASAN_OPTIONS=$asan_options UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

stage "ombrel-host validate --level 10 on our module under ASan + UBSan"
# The fuzzing is cut to a number of sets that fits the CI time (docs/validate.md, "CI and
# figures"); every other check runs at its level-10 count.
ASAN_OPTIONS=$asan_options UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build-asan/bin/ombrel-host validate --level 10 --isolate --fuzz-sets 2000 \
  --json build-asan/validate-level10.json

stage "Multi-threaded render tests under ThreadSanitizer"
# Only the render tests and what they load (the module) are built: the rest has no threads.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_TSAN=ON -DOMBREL_WERROR=ON \
  -DOMBREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target ombrel_render_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R '^(Renderer|RenderThreads|DemoScene)\.'

stage "Windows x64 build and tests under wine"
# ombrel-host without the image library; the comparison uses the Linux build's host and helper.
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMBREL_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DOMBREL_BUILD_HOST_TOOLS=ON -DOMBREL_BUILD_BENCH=OFF \
  -DOMBREL_LINUX_BUILD_DIR="$PWD/build" >/dev/null
cmake --build build-windows -j"$jobs"
ctest --test-dir build-windows --output-on-failure -j"$jobs"
grep -h '^largest float difference' build-windows/Testing/Temporary/LastTest.log || true

stage "macOS x86_64 build, checked on its files"
# Nothing built for macOS runs here; its tests read the files, with the Linux build's tools.
OMBREL_LINUX_BUILD_DIR=build scripts/build-macos.sh build-macos
ctest --test-dir build-macos --output-on-failure -j"$jobs"

stage "Fuzzing the scene-file, resource and module-file readers, 60 s each"
# New inputs go to a scratch folder; the committed seed corpus in fuzz/corpus stays as it is.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_FUZZ=ON \
  -DOMBREL_SANITIZE=ON -DOMBREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_scene_file fuzz_resources fuzz_module_file
# No input is failed for its wall time (-timeout=0: a loaded machine makes any input slow); an
# input that never ends is stopped by the CPU limit, ten times what the 60 s of fuzzing use.
for target in scene_file resources module_file; do
  scratch="$(mktemp -d)"
  (ulimit -t 600
   ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     exec "build-fuzz/bin/fuzz_$target" -max_total_time=60 -timeout=0 -rss_limit_mb=2048 -print_final_stats=1 \
     -artifact_prefix="build-fuzz/fuzz_$target-" "$scratch" "fuzz/corpus/$target")
  rm -rf "$scratch"
done
