#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing zrt32, and makes sure
# 32-bit programs can run (kernels without 32-bit support run them under qemu-i386). With
# --windows: what the Windows cross builds need instead (scripts/windows.sh); with --fuzz: clang
# for the fuzzing harnesses (tests/fuzz/run.sh).
set -euo pipefail

sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

install() {
  local missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

install cmake g++ g++-multilib googletest make binutils pkgconf libedit-dev

# scripts/windows.sh: the MinGW-w64 cross compilers and wine64 to run the Windows tests.
if [ "${1:-}" = "--windows" ]; then
  install g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  exit 0
fi

# tests/fuzz/run.sh, optional and never needed by the main build: clang with its sanitizer and
# libFuzzer runtimes.
if [ "${1:-}" = "--fuzz" ]; then
  install clang libclang-rt-dev
  exit 0
fi

# Can this machine run an i386 program?
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'int main(){return 0;}' > "$probe_dir/p.c"
gcc -m32 "$probe_dir/p.c" -o "$probe_dir/p32"
if ! "$probe_dir/p32" 2>/dev/null; then
  echo "this kernel does not run i386 programs: registering qemu-i386 for them"
  install qemu-user
  binfmt=/proc/sys/fs/binfmt_misc
  if [ ! -e "$binfmt/register" ]; then
    $sudo_cmd mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  if [ ! -e "$binfmt/qemu-i386" ]; then
    # ELF, 32-bit, little-endian, executable or shared object (PIE), machine 3 (i386).
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:' \
      | $sudo_cmd tee "$binfmt/register" >/dev/null
  fi
  "$probe_dir/p32" || { echo "cannot run i386 programs on this machine" >&2; exit 1; }
fi
