# bash completion for voltrim-cli: its commands, their options and option values, folders,
# files, and the symbols of the portfolio named before a SYMBOL argument.
# The command table below is written at build time from voltrim-cli's own --help.

# Sets `options` (NAME or NAME=KIND for an option that takes a value) and `arguments` (the
# kind of each argument in turn) for a command; fails for an unknown command. A kind is
# dir, file, symbol, a|b|c (those words) or - (nothing to offer).
_voltrim_cli_command() {
  case $1 in
    @CASES@
    *) return 1 ;;
  esac
}

# A word as typed, without its quoting: 'My Data'/x, My\ Data/x and "My Data"/x are all
# My Data/x; with "path", a leading ~/ is the home folder. Nothing in the word is run.
_voltrim_cli_dequote() {
  local word=$1 plain='' quote='' c i
  for ((i = 0; i < ${#word}; i++)); do
    c=${word:i:1}
    if [[ $quote == "'" ]]; then
      [[ $c == "'" ]] && quote='' || plain+=$c
    elif [[ $c == '\' ]]; then
      ((i++))
      plain+=${word:i:1}
    elif [[ $c == "'" || $c == '"' ]]; then
      [[ $quote == "$c" ]] && quote='' || quote=$c
    else
      plain+=$c
    fi
  done
  [[ ${2-} == path && $plain == '~/'* ]] && plain=$HOME/${plain#'~/'}
  printf '%s' "$plain"
}

# Adds to COMPREPLY what completes `cur` as a value of the given kind.
_voltrim_cli_offer() {
  local kind=$1 cur=$2 program=$3 portfolio=$4 IFS=$'\n' symbol
  case $kind in
    dir)
      compopt -o filenames 2>/dev/null
      COMPREPLY+=($(compgen -d -- "$(_voltrim_cli_dequote "$cur")"))
      ;;
    file)
      compopt -o filenames 2>/dev/null
      COMPREPLY+=($(compgen -f -- "$(_voltrim_cli_dequote "$cur")"))
      ;;
    symbol)
      [[ -n $portfolio && -d $portfolio ]] || return
      local typed=${cur,,}
      # Symbols are matched without regard to case, as the commands match them.
      while IFS=$'\t' read -r symbol _; do
        [[ -n $symbol && ${symbol,,} == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$symbol")")
      done < <("$program" symbols "$portfolio" --all 2>/dev/null)
      ;;
    *'|'*)
      COMPREPLY+=($(compgen -W "${kind//|/$'\n'}" -- "$cur"))
      ;;
  esac
}

_voltrim_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} options arguments
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W "@COMMANDS@ @OPTIONS@" -- "$cur"))
    return
  fi
  _voltrim_cli_command "${COMP_WORDS[1]}" || return
  # Readline splits --option=value at the '=': the value is then a word of its own.
  [[ $cur == '=' ]] && cur=''

  # The words before the cursor: arguments so far, and whether an option awaits its value.
  local given=() awaits='' word option i only_arguments=''
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == '=' ]]; then
      continue
    elif [[ -n $awaits ]]; then
      awaits=''
    elif [[ -z $only_arguments && $word == '--' ]]; then
      only_arguments=1
    elif [[ -z $only_arguments && $word == -?* ]]; then
      for option in $options; do
        [[ $option == "$word="* ]] && awaits=${option#*=}
      done
    else
      given+=("$(_voltrim_cli_dequote "$word" path)")
    fi
  done

  # A SYMBOL is one of the portfolio given last before it.
  local kinds=($arguments) portfolio='' program names=()
  for ((i = 0; i < ${#given[@]}; i++)); do
    [[ ${kinds[i]-} == dir ]] && portfolio=${given[i]}
  done
  program=$(_voltrim_cli_dequote "${COMP_WORDS[0]}" path)
  if [[ -n $awaits ]]; then
    _voltrim_cli_offer "$awaits" "$cur" "$program" "$portfolio"
  elif [[ -z $only_arguments && $cur == -* ]]; then
    for option in $options; do names+=("${option%%=*}"); done
    COMPREPLY=($(compgen -W "${names[*]}" -- "$cur"))
  else
    _voltrim_cli_offer "${kinds[${#given[@]}]-}" "$cur" "$program" "$portfolio"
  fi
}

complete -F _voltrim_cli voltrim-cli
