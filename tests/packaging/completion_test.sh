#!/usr/bin/env bash
# voltrim-cli's bash completion offers what each place of a command line takes: commands,
# options, option values, folders, files and the symbols of the portfolio named before.
#   completion_test.sh VOLTRIM_CLI COMPLETION_FILE
set -uo pipefail
cli=$1
source "$(dirname "$0")/common.sh"
source "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" sample "$work/My Data" >/dev/null || exit 1
stocks="$work/My Data/Stocks"

# What the completion offers for the words of a command line, the last being typed; one
# offer a line, sorted. Words are given as readline splits them ('=' is a word of its own).
offers() {
  COMP_WORDS=("$cli" "${@:2}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _voltrim_cli 2>/dev/null
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort
}
# expect WORD... => OFFER...
expect() {
  local words=() got want
  while [[ $1 != '=>' ]]; do words+=("$1"); shift; done
  shift
  got=$(offers "${words[@]}")
  want=$( (($#)) && printf '%s\n' "$@" | sort)
  if [[ $got != "$want" ]]; then
    fail "[${words[*]}] offers [${got//$'\n'/ | }], not [${want//$'\n'/ | }]"
  fi
}
# The test folder as typed with every space escaped.
typed=${work// /\\ }

expect voltrim-cli sp '=>' split split-search
expect voltrim-cli --v '=>' --version
expect voltrim-cli export --de '=>' --delimiter
expect voltrim-cli export x y --delimiter '' '=>' space comma tab
expect voltrim-cli export x y --format = c '=>' csv
expect voltrim-cli nosuch '' '=>'
expect voltrim-cli quotes "$typed/My\\ Data/St" '=>' "$stocks"
expect voltrim-cli quotes "'$work/My Data/St" '=>' "$stocks"
mapfile -t symbols < <("$cli" symbols "$stocks" --all | cut -f1)
((${#symbols[@]} >= 3)) || { echo "FAIL: the sample has too few symbols" >&2; exit 1; }
expect voltrim-cli quotes "$typed/My\\ Data/Stocks" '' '=>' "${symbols[@]}"
expect voltrim-cli facts "\"$work/My Data/Stocks\"" bo '=>' BOLT
# An option's value is not an argument: the symbol still follows the folder.
expect voltrim-cli export -o out.csv "$typed/My\\ Data/Stocks" --delimiter tab bo '=>' BOLT
expect voltrim-cli split-search "$typed/My\\ Data/Stocks" -o "$typed/My\\ Data/Fu" '=>' \
  "$work/My Data/Futures"
expect voltrim-cli copy-symbol "$typed/My\\ Data/Stocks" BOLT "$typed/My\\ Data/Le" '=>' \
  "$work/My Data/Legacy"
expect voltrim-cli rename-symbol "$typed/My\\ Data/Stocks" BOLT '' '=>'
expect voltrim-cli quotes "$typed/nowhere" '' '=>'
expect voltrim-cli scan --drive "$typed/My\\ Data/Le" '=>' "$work/My Data/Legacy"

finish completion
