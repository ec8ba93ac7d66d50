# Shared by the packaging checks, sourced first.
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# needs TOOL:PACKAGE... skips the check (77), naming the Debian packages of the tools
# missing; a TOOL that is a path is a file that must exist.
needs() {
  local missing=() need
  for need; do
    if [[ $need == /* ]]; then [[ -e ${need%%:*} ]] || missing+=("${need#*:}")
    else command -v "${need%%:*}" >/dev/null || missing+=("${need#*:}"); fi
  done
  ((${#missing[@]} == 0)) && return
  echo "needs: apt-get install ${missing[*]} (scripts/install-deps.sh)"
  exit 77
}
# finish WHAT: says WHAT is ok, or fails the check.
finish() {
  ((failures == 0)) && echo "$1: ok"
  exit $((failures > 0))
}
