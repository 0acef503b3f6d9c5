# fish completion for tavik. Setting keys, preset ids and saved scenes come from the program
# itself (tavik list, tavik presets, tavik scene list) each time, so they are always current.

# The tavik being completed (a build's own, say) answers the questions.
function __tavik_bin
    set -l tokens (commandline -opc)
    if string match -q '*/*' -- $tokens[1]; and test -x $tokens[1]
        echo $tokens[1]
    else
        echo tavik
    end
end

# True when the command line so far is `tavik COMMAND` plus `position - 2` more words.
function __tavik_at -a command position
    set -l tokens (commandline -opc)
    test (count $tokens) -eq $position; and test "$tokens[2]" = "$command"
end

function __tavik_keys
    set -l tavik (__tavik_bin)
    command $tavik list 2>/dev/null | string replace -r '=.*' ''
end

function __tavik_presets
    set -l tavik (__tavik_bin)
    command $tavik presets 2>/dev/null | string replace -r ' .*' ''
end

function __tavik_bool_values
    set -l tokens (commandline -opc)
    set -l tavik (__tavik_bin)
    switch (command $tavik get $tokens[3] 2>/dev/null)
        case true false
            printf '%s\n' true false
    end
end

# `tavik scene list` prints "ID  STAR  [ICON ]NAME[  (active)]"; this keeps the names.
function __tavik_scene_names
    set -l tavik (__tavik_bin)
    for line in (command $tavik scene list 2>/dev/null)
        set -l rest (string replace -r '^\S+  (★| )  ' '' -- $line)
        set rest (string replace -r '  \(active\)$' '' -- $rest)
        # An icon is one word without letters or digits before the name.
        set -l parts (string split -m1 ' ' -- $rest)
        if test (count $parts) -eq 2; and not string match -qr '(*UCP)\w' -- $parts[1]
            set rest $parts[2]
        end
        echo $rest
    end
end

function __tavik_scene_target
    set -l tokens (commandline -opc)
    test (count $tokens) -eq 3; and test "$tokens[2]" = scene; and contains -- $tokens[3] apply rename favorite delete
end

complete -c tavik -f
complete -c tavik -n 'test (count (commandline -opc)) -eq 1' -a 'panel status quit autostart list get set reset toggle presets preset scene displays render weather sound sound-timer help'
complete -c tavik -n 'test (count (commandline -opc)) -eq 1' -l help -d 'the commands'
complete -c tavik -n 'test (count (commandline -opc)) -eq 1' -l version -d 'the installed version'
complete -c tavik -n 'test (count (commandline -opc)) -eq 1' -l background -d 'start without opening the panel'
complete -c tavik -n '__tavik_at get 2' -a '(__tavik_keys)'
complete -c tavik -n '__tavik_at set 2' -a '(__tavik_keys)'
complete -c tavik -n '__tavik_at set 3' -a '(__tavik_bool_values)'
complete -c tavik -n '__tavik_at preset 2' -a '(__tavik_presets)'
complete -c tavik -n '__tavik_at scene 2' -a 'save list apply rename favorite delete'
complete -c tavik -n __tavik_scene_target -a '(__tavik_scene_names)'
complete -c tavik -n '__fish_seen_subcommand_from scene; and __fish_seen_subcommand_from save rename' -l icon -x
complete -c tavik -n '__fish_seen_subcommand_from weather' -l ip-location
complete -c tavik -n '__tavik_at autostart 2' -a 'on off status'

for command in render sound
    set -l when "__fish_seen_subcommand_from $command"
    complete -c tavik -n $when -l preset -xa '(__tavik_presets)'
    complete -c tavik -n $when -l set -xa '(__tavik_keys | string replace -r \'$\' =)'
    complete -c tavik -n $when -l out -rF
    complete -c tavik -n $when -l seed -x
    complete -c tavik -n $when -l uptime -x
end
for option in size scale time fps frames dock background
    complete -c tavik -n '__fish_seen_subcommand_from render' -l $option -x
end
complete -c tavik -n '__fish_seen_subcommand_from render' -l renderer -xa 'raster gl'
complete -c tavik -n '__fish_seen_subcommand_from render' -l dump -rF
complete -c tavik -n '__fish_seen_subcommand_from sound' -l seconds -x
complete -c tavik -n '__fish_seen_subcommand_from sound' -l thunder-at -x
complete -c tavik -n '__fish_seen_subcommand_from sound' -l sleep-in -x
complete -c tavik -n '__fish_seen_subcommand_from sound-timer' -xa 'off 15 30 45 60 90'
complete -c tavik -n '__fish_seen_subcommand_from sound' -l float
