#!/usr/bin/env bash
# The bash and fish completions offer the built tavik's keys, presets and saved scenes.
# Usage: completion-test.sh SOURCE_DIR TAVIK TAVIK_HELP_PAGES
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
source_dir=$1 tavik=$2 help_pages=$3
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
# `tavik` on the PATH is the one under test.
mkdir -p "$work/bin" && ln -s "$tavik" "$work/bin/tavik"
export PATH="$work/bin:$PATH"

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
  fish --no-config -c "source $source_dir/completions/tavik.fish; complete -C '$1'" | cut -f1 | sort
}

rain_keys="$(tavik list | cut -d= -f1 | grep '^rain\.' | sort)"
check "there are rain keys to complete" "true" "$([[ $rain_keys == *rain.dropsPerSecond* ]] && echo true)"
check "bash: tavik set rain." "$rain_keys" "$(bash_complete tavik set rain.)"
check "fish: tavik set rain." "$rain_keys" "$(fish_complete 'tavik set rain.')"

# The commands, from the same table as the help and the manual page.
commands="$("$help_pages" commands | cut -d' ' -f1 | sort -u)"
scene_commands="$("$help_pages" commands | sed -n 's/^scene //p' | sort)"
check "bash: every command" "$commands" "$(bash_complete tavik '')"
check "fish: every command" "$commands" "$( (fish_complete 'tavik '; fish_complete 'tavik --') | sort -u)"
check "bash: scene commands" "$scene_commands" "$(bash_complete tavik scene '')"
check "fish: scene commands" "$scene_commands" "$(fish_complete 'tavik scene ')"

check "bash: a preset id" "storm" "$(bash_complete tavik preset sto)"
check "fish: a preset id" "storm" "$(fish_complete 'tavik preset sto')"
check "bash: a render option's preset" "storm" "$(bash_complete tavik render --preset sto)"
check "bash: true or false for a switch" "$(printf 'false\ntrue')" "$(bash_complete tavik set rain.enabled '')"
# Names come quoted for the shell; the icon is not part of the name.
check "bash: saved scene names" "$(printf '%s\n' 'Rainy\ desk' evening | sort)" "$(bash_complete tavik scene apply '')"
check "fish: saved scene names" "$(printf '%s\n' 'Rainy desk' evening | sort)" "$(fish_complete 'tavik scene apply ')"
check "bash: a name that is not there" "" "$(bash_complete tavik scene delete xyz)"

zsh -n "$source_dir/completions/_tavik"
check "zsh completion parses" "0" "$?"

finish
