# Sourced by the run, test and benchmark commands. Velkoro is a 32-bit
# Windows program, and Wine runs it as a 32-bit Linux process: a kernel that
# refuses 32-bit x86 programs (built or booted without IA-32 emulation)
# cannot run it at all, and every Win32 test would fail with an obscure
# "Exec format error" deep inside Wine. Such a machine runs them in an
# emulated PC instead (tools/x86-machine.sh).

# Returns 0 when the kernel runs 32-bit programs, 1 when it refuses them.
kernel_runs_32bit_programs() {
  local loader=/usr/lib/wine/wine output
  [ -x "$loader" ] || return 0  # no 32-bit Wine: the package install reports that
  if output=$("$loader" --version 2>&1); then
    return 0
  fi
  case "$output" in
    *"Exec format error"*) return 1 ;;
    *) return 0 ;;  # some other trouble: let Wine report it itself
  esac
}

explain_emulated_machine() {
  cat >&2 <<MESSAGE

*** This machine's kernel refuses 32-bit x86 programs (/usr/lib/wine/wine:
*** Exec format error), and Wine runs the 32-bit Velkoro.exe as one. So $1
*** runs in an emulated PC whose kernel runs them (QEMU's software
*** emulation, on this machine's own files): the same binaries, the same
*** Wine, several times slower.
MESSAGE
}
