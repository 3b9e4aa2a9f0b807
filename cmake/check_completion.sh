#!/usr/bin/env bash
# The bash completion of vyx as bash drives it: COMP_WORDS and COMP_CWORD set, the completion
# function called, COMPREPLY read. Every command and option `vyx --help` lists must complete.
#   check_completion.sh COMPLETION_FILE VYX
set -u
completion=$1 vyx=$2
# shellcheck source=/dev/null
source "$completion" || exit 1
fn=$(complete -p vyx | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
[[ -n $fn ]] || { echo "the file registers no completion function for vyx"; exit 1; }

complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  "$fn"
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

failed=0
expect() {
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  if [[ $got != "$want" ]]; then
    echo "vyx ${*:2}<TAB>: got '$got', want '$want'"
    failed=1
  fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/log.csv" "$scratch/log.jsonl" "$scratch/other"

# want                  words, the last one being completed
expect "monitor "       vyx mo
expect "--format "      vyx monitor --for
expect "--format "      vyx --for
expect "csv jsonl "     vyx monitor --format ""
expect "json "          vyx read --format js
expect "json text "     vyx scan --format ""
expect "scan "          vyx sc
expect "0 1 2 3 "       vyx read --address ""
expect "1= 2= 3= 4= 5= 6= 7= 8= " vyx --port ""
expect "tcp:// "        vyx --port 1 = tc
expect "rfc2217:// "    vyx --port 1 = rf
expect "$scratch/log.csv $scratch/log.jsonl " vyx monitor --output "$scratch/log"
expect "$scratch/log.csv " vyx --port 2 = "$scratch/log.c"
expect "2=$scratch/log.csv " vyx --port "2=$scratch/log.c"
expect ""               vyx monitor --count ""
expect ""               vyx read m

help=$("$vyx" --help) || { echo "vyx --help failed"; exit 1; }
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")
options=$(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)
[[ -n $commands && -n $options ]] || { echo "no commands or options found in vyx --help"; exit 1; }
offered=" $(complete_words vyx "") $(complete_words vyx -)"
for word in $commands $options; do
  [[ $offered == *" $word "* ]] || { echo "vyx --help lists $word, the completion does not offer it"; failed=1; }
done
exit $failed
