#!/usr/bin/env bash
# Builds, runs and tests the application on Debian 12.
#   ./build.sh run    install what is missing, build, start the application
#   ./build.sh test   install what is missing, build with the sanitizers, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(qt6-base-dev libjpeg-dev libpng-dev libgif-dev zlib1g-dev libgtest-dev libgmock-dev
  libbenchmark-dev cmake ninja-build pkg-config g++ fonts-ipafont-gothic fonts-ipafont-mincho xvfb xauth
  poppler-utils python3-olefile libsane-dev sane-utils ccache libcups2-dev cups printer-driver-cups-pdf
  zbar-tools libharfbuzz-dev fonts-liberation2 fonts-dejavu-core xdotool qt6-translations-l10n
  libwmf-bin libuemf-dev libemf-dev printer-driver-escpr printer-driver-gutenprint imagemagick lld openbox x11-utils)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-}" in
  run)
    install_missing
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLANE_TESTS=OFF
    cmake --build build -j "$jobs"
    exec build/app/quorlane "${@:2}"
    ;;
  test)
    install_missing
    # The sanitizers' reports need files and lines, not variables: line tables only (-g1) compile and
    # link the test build markedly faster than full debug information.
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORLANE_SANITIZE=ON -DQUORLANE_TESTS=ON \
      -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1
    cmake --build build-test -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-test --output-on-failure -j "$jobs"
    # The vectorised pixel kernels are compiled only without the sanitizers: run the imaging tests
    # (fast kernels against their scalar references among them) as a release build compiles them.
    cmake -S . -B build-release-check -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLANE_SANITIZE=OFF -DQUORLANE_TESTS=ON
    cmake --build build-release-check -j "$jobs" --target test_imaging
    build-release-check/tests/imaging/test_imaging --gtest_brief=1
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
