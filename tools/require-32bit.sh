# Sourced by the run and test commands. Velkoro is a 32-bit Windows
# program, and Wine runs it as a 32-bit Linux process: a kernel that refuses
# 32-bit x86 programs (built or booted without IA-32 emulation) cannot run it
# at all, and every Win32 test would fail with an obscure "Exec format error"
# deep inside Wine. This says so plainly instead.

# Returns 0 when the kernel runs 32-bit programs; otherwise prints why not.
require_32bit_programs() {
  local loader=/usr/lib/wine/wine output
  [ -x "$loader" ] || return 0  # no 32-bit Wine: the package install reports that
  if output=$("$loader" --version 2>&1); then
    return 0
  fi
  case "$output" in
    *"Exec format error"*) ;;
    *) return 0 ;;  # some other trouble: let Wine report it itself
  esac
  cat >&2 <<MESSAGE

*** This machine cannot run 32-bit x86 programs: its kernel refuses them
*** ($loader: Exec format error). Velkoro.exe is a 32-bit Windows program
*** and Wine needs the kernel's IA-32 emulation to run it, so nothing under
*** Wine can run here: not Velkoro, not its Win32 tests. On a kernel built
*** with IA-32 emulation, boot it with ia32_emulation=on (or use a machine
*** whose kernel runs 32-bit programs).
MESSAGE
  return 1
}
