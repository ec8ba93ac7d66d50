#!/usr/bin/env bash
# The man pages render without a warning and hold every command and option voltrim-cli's
# own help lists; the examples in voltrim-cli(1) run.
#   man_test.sh VOLTRIM_CLI PAGES_FOLDER
set -uo pipefail
cli=$1 pages=$2
source "$(dirname "$0")/common.sh"
needs man:man-db

for page in voltrim voltrim-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$pages/$page.1.gz" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$page.1 renders with warnings: $warnings"
done

text=$(MANWIDTH=200 man -l "$pages/voltrim-cli.1.gz" 2>/dev/null)
commands=$("$cli" --help | awk '/^Commands:/ { listing = 1; next } /^$/ { listing = 0 } listing { print $1 }')
[[ $(wc -w <<<"$commands") -ge 10 ]] || fail "voltrim-cli --help lists too few commands: $commands"
for command in $commands; do
  grep -qx "   $command" <<<"$text" || fail "no section for $command"
  grep -q "voltrim-cli $command " <<<"$text" || grep -qx " *voltrim-cli $command" <<<"$text" ||
    fail "no synopsis for $command"
  for option in $("$cli" "$command" --help | sed -n '/^Options:/,$p' | grep -o -- ' --[a-z-]*' | sort -u); do
    [[ $option == --help ]] && continue
    grep -q -- "$option" <<<"$text" || fail "$command $option is not in the man page"
  done
done
grep -q '^EXIT STATUS' <<<"$text" || fail "no EXIT STATUS section"

# The examples, as a user would type them, in a home folder of their own.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
examples=$(sed -n '/^EXAMPLES/,/^[A-Z]/p' <<<"$text" | grep -E '^ +voltrim-cli ' | sed 's/^ *//')
[[ -n $examples ]] || fail "no examples"
while read -r example; do
  (cd "$home" && HOME=$home PATH="$(dirname "$cli"):$PATH" eval "$example" >/dev/null) ||
    fail "example fails: $example"
done <<<"$examples"

finish "man pages"
