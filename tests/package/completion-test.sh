#!/usr/bin/env bash
# The bash and fish completions offer the built tavik's keys, presets and saved scenes.
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
source_dir=$1 tavik=$2 help_pages=$3
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" PATH="$work/bin:$PATH"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$work/bin" && chmod 700 "$XDG_RUNTIME_DIR"
ln -s "$tavik" "$work/bin/tavik" # `tavik` on the PATH is the one under test

tavik scene save "Rainy desk" --icon "🌧" >/dev/null
tavik scene save "evening" >/dev/null

# What bash offers for the words of a command line (the last word is being completed), one a line.
bash_complete() {
  LC_ALL=C.UTF-8 bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _tavik tavik "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$source_dir/completions/tavik.bash" "$@"
}
fish_complete() {
  fish --no-config -c "source $source_dir/completions/tavik.fish; complete -C '$*'" | cut -f1 | sort
}

rain_keys="$(tavik list | cut -d= -f1 | grep '^rain\.' | sort)"
check "there are rain keys to complete" "true" "$([[ $rain_keys == *rain.dropsPerSecond* ]] && echo true)"

# The commands, from the same table as the help and the manual page.
commands="$("$help_pages" commands | cut -d' ' -f1 | sort -u)"
scene_commands="$("$help_pages" commands | sed -n 's/^scene //p' | sort)"
for shell in bash fish; do
  check "$shell: tavik set rain." "$rain_keys" "$("${shell}_complete" tavik set rain.)"
  check "$shell: scene commands" "$scene_commands" "$("${shell}_complete" tavik scene '')"
  check "$shell: a preset id" "storm" "$("${shell}_complete" tavik preset sto)"
done
check "bash: every command" "$commands" "$(bash_complete tavik '')"
check "fish: every command" "$commands" "$( (fish_complete 'tavik '; fish_complete 'tavik --') | sort -u)"
check "bash: a render option's preset" "storm" "$(bash_complete tavik render --preset sto)"
check "bash: true or false for a switch" "$(printf 'false\ntrue')" "$(bash_complete tavik set rain.enabled '')"
# Names come quoted for the shell; the icon is not part of the name.
check "bash: saved scene names" "$(printf '%s\n' 'Rainy\ desk' evening | sort)" "$(bash_complete tavik scene apply '')"
check "fish: saved scene names" "$(printf '%s\n' 'Rainy desk' evening | sort)" "$(fish_complete 'tavik scene apply ')"
check "bash: a name that is not there" "" "$(bash_complete tavik scene delete xyz)"

zsh -n "$source_dir/completions/_tavik"
check "zsh completion parses" "0" "$?"

finish
