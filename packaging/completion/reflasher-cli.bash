# bash completion of reflasher-cli.
#
# The words come from the program itself (reflasher-cli --complete WHAT,
# one a line), so that commands, options, presets and chips added to its
# tables are offered without touching this file.

# Offers the words of a list that begin with what was typed, quoted for
# the shell: chip names hold spaces.
_reflasher_cli_offer() {
    local program=$1 what=$2 typed word
    # Further arguments go to the program: the drives it would use.
    typed=$(dequote "$cur" 2>/dev/null) || typed=$cur
    COMPREPLY=()
    while IFS= read -r word; do
        if [[ $word == "$typed"* ]]; then
            COMPREPLY+=("$(printf '%q' "$word")")
        fi
    done < <(timeout 5 "$program" --complete "$what" "${@:3}" 2>/dev/null)
    # "--emulate=", "power-cut:" and the like take their value at once.
    if ((${#COMPREPLY[@]} == 1)) && [[ ${COMPREPLY[0]} == *[=:] ]]; then
        compopt -o nospace
    fi
}

_reflasher_cli() {
    local cur prev words cword split
    _init_completion -s || return
    local program=${words[0]}

    case $prev in
    --preset) _reflasher_cli_offer "$program" presets; return ;;
    --flash-chip) _reflasher_cli_offer "$program" flash-chips; return ;;
    --spi-chip) _reflasher_cli_offer "$program" spi-chips; return ;;
    --link) _reflasher_cli_offer "$program" links; return ;;
    --emulate-fault) _reflasher_cli_offer "$program" faults; return ;;
    --device)
        # The units are asked for their serial numbers, where the command
        # would find them: the emulated ones or the broker's too.
        local i drivesAt=()
        for ((i = 1; i < cword; i++)); do
            case ${words[i]} in
            --emulate | --emulate=*) drivesAt+=("${words[i]}") ;;
            --broker) drivesAt+=("${words[i]}" "${words[i + 1]}") ;;
            esac
        done
        _reflasher_cli_offer "$program" devices "${drivesAt[@]}"
        return
        ;;
    --units) return ;; # a number
    --trace | --clock | --firmware | --broker) _filedir; return ;;
    --from-backup) _filedir -d; return ;;
    --load)
        if [[ $cur == *=* ]]; then
            cur=${cur#*=}
            _filedir
        else
            COMPREPLY=($(compgen -W 'flash= host= ui= resource=' -- "$cur"))
            compopt -o nospace
        fi
        return
        ;;
    --complete)
        COMPREPLY=($(compgen -W 'commands options value-options updater-options updater-slash-options
            presets links flash-chips spi-chips faults drives devices' -- "$cur"))
        return
        ;;
    --emulate)
        # Only "--emulate=DIR" takes a directory; "--emulate DIR" does not.
        if [[ $split == true ]]; then
            _filedir -d
            return
        fi
        ;;
    esac
    if [[ $split == true ]]; then
        return
    fi

    if [[ $cur == --* ]]; then
        _reflasher_cli_offer "$program" options
        return
    fi
    if [[ $cur == -* ]]; then
        _reflasher_cli_offer "$program" updater-options
        return
    fi
    if [[ $cur == /* ]]; then
        _reflasher_cli_offer "$program" updater-slash-options
        return
    fi

    # The command is the first word that is neither an option nor an
    # option's value; a command with sub-commands takes one next.
    local valueOptions i command="" position=0
    valueOptions=" $("$program" --complete value-options 2>/dev/null | tr '\n' ' ') "
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        -* | /*)
            if [[ $valueOptions == *" ${words[i]} "* ]]; then
                ((i++))
            fi
            ;;
        *)
            ((position++))
            if ((position == 1)); then
                command=${words[i]}
            fi
            ;;
        esac
    done
    if ((position == 0)); then
        _reflasher_cli_offer "$program" commands
    elif ((position == 1)); then
        if [[ $command == backup ]]; then
            _filedir -d
        else
            _reflasher_cli_offer "$program" "$command"
        fi
    fi
} && complete -F _reflasher_cli reflasher-cli
