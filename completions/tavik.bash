# bash completion for tavik. Setting keys, preset ids and saved scenes come from the program
# itself (tavik list, tavik presets, tavik scene list) each time, so they are always current.

_tavik_commands='panel status quit autostart --background list get set reset toggle presets preset scene displays render weather sound sound-timer help --help --version'
_tavik_scene_commands='save list apply rename favorite delete'
_tavik_render_options='--preset --set --size --scale --time --fps --seed --uptime --frames --dock --background --renderer --dump --out'
_tavik_sound_options='--seconds --preset --set --uptime --thunder-at --sleep-in --seed --float --out'

_tavik_keys() { "$1" list 2>/dev/null | while IFS='=' read -r key _; do printf '%s\n' "$key"; done; }
_tavik_presets() { "$1" presets 2>/dev/null | while read -r id _; do printf '%s\n' "$id"; done; }

# `tavik scene list` prints "ID  STAR  [ICON ]NAME[  (active)]"; this keeps the names.
_tavik_scene_names()
{
    local line rest first
    "$1" scene list 2>/dev/null | while IFS= read -r line; do
        rest=${line#*  }
        if [[ $rest == "★  "* ]]; then rest=${rest#★  }; else rest=${rest#   }; fi
        rest=${rest%  (active)}
        # An icon is one word without letters or digits before the name.
        first=${rest%% *}
        if [[ $rest == *' '* && ! $first =~ [[:alnum:]] ]]; then rest=${rest#* }; fi
        printf '%s\n' "$rest"
    done
}

# Offers the lines of its input that start with the word being completed, quoted for the
# shell. Taken literally: the names come from a settings file and are not for expanding.
_tavik_offer()
{
    local candidate
    while IFS= read -r candidate; do
        [[ -n $candidate && $candidate == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$candidate")")
    done
    return 0
}

_tavik()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion -n =: || return
    else
        cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    fi
    COMPREPLY=()
    # The tavik being completed (a build's own, say) answers the questions.
    local tavik=${words[0]}
    if [[ $tavik == */* ]]; then [[ -x $tavik ]] || tavik=tavik; else command -v "$tavik" >/dev/null || tavik=tavik; fi

    if ((cword == 1)); then
        _tavik_offer < <(printf '%s\n' $_tavik_commands)
        return
    fi

    local command=${words[1]}
    case $command in
        get)
            ((cword == 2)) && _tavik_offer < <(_tavik_keys "$tavik")
            ;;
        set)
            if ((cword == 2)); then
                _tavik_offer < <(_tavik_keys "$tavik")
            elif ((cword == 3)); then
                case $("$tavik" get "${words[2]}" 2>/dev/null) in
                    true | false) _tavik_offer < <(printf '%s\n' true false) ;;
                esac
            fi
            ;;
        preset)
            ((cword == 2)) && _tavik_offer < <(_tavik_presets "$tavik")
            ;;
        scene)
            if ((cword == 2)); then
                _tavik_offer < <(printf '%s\n' $_tavik_scene_commands)
            elif ((cword == 3)); then
                case ${words[2]} in
                    apply | rename | favorite | delete) _tavik_offer < <(_tavik_scene_names "$tavik") ;;
                esac
            elif [[ ${words[2]} == save || ${words[2]} == rename ]] && [[ $cur == -* ]]; then
                _tavik_offer < <(printf '%s\n' --icon)
            fi
            ;;
        weather)
            _tavik_offer < <(printf '%s\n' --ip-location)
            ;;
        autostart)
            ((cword == 2)) && _tavik_offer < <(printf '%s\n' on off status)
            ;;
        render | sound)
            case $prev in
                --preset) _tavik_offer < <(_tavik_presets "$tavik") ;;
                --set) _tavik_offer < <(_tavik_keys "$tavik" | sed 's/$/=/') && compopt -o nospace 2>/dev/null ;;
                --renderer) _tavik_offer < <(printf '%s\n' raster gl) ;;
                --out | --dump) mapfile -t COMPREPLY < <(compgen -f -- "$cur") && compopt -o filenames 2>/dev/null ;;
                --float | [^-]*)
                    local options=$_tavik_render_options
                    [[ $command == sound ]] && options=$_tavik_sound_options
                    _tavik_offer < <(printf '%s\n' $options)
                    ;;
            esac
            ;;
    esac
}

complete -F _tavik tavik
