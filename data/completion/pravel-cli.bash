# bash completion for pravel-cli: commands, their options (asked of the program itself), parameter
# names after --param and --set, serial devices after --port, files where a file is wanted.

_pravel_cli_parameters="AlarmReceiver1 AlarmReceiver2 TestAlarmReceiver BatteryAlarmReceiver AlarmCode1 AlarmCode2
TestAlarmCode BatteryAlarmCode SequenceReceiver3 SequenceReceiver4 SequenceReceiver5 SequenceReceiver6 AlarmType
LedSequence DialToneDetection IdBeep InfoAlarm NewProgrammingCode TestAlarmTime PhoneAcknowledge AlarmButtonDelay"

_pravel_cli_ports()
{
    local port
    for port in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/*; do
        [[ -e $port ]] && printf '%s\n' "$port"
    done
}

_pravel_cli()
{
    local cur prev command options
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "read write batch show ports --help --version" -- "$cur"))
        return 0
    fi
    command=${COMP_WORDS[1]}

    case $prev in
    --port)
        COMPREPLY=($(compgen -W "$(_pravel_cli_ports)" -- "$cur"))
        return 0
        ;;
    --param)
        COMPREPLY=($(compgen -W "$_pravel_cli_parameters" -- "$cur"))
        return 0
        ;;
    --set)
        compopt -o nospace 2>/dev/null
        COMPREPLY=($(compgen -W "$(printf '%s= ' $_pravel_cli_parameters)" -- "$cur"))
        return 0
        ;;
    --modem)
        COMPREPLY=($(compgen -W "auto hash v253" -- "$cur"))
        return 0
        ;;
    --sim-modem)
        COMPREPLY=($(compgen -W "hash conexant intel" -- "$cur"))
        return 0
        ;;
    --line)
        COMPREPLY=($(compgen -W "clean noisy gsm" -- "$cur"))
        return 0
        ;;
    --codec)
        COMPREPLY=($(compgen -W "none alaw ulaw gsm" -- "$cur"))
        return 0
        ;;
    --unit)
        COMPREPLY=($(compgen -W "1 2 3 4 5 6" -- "$cur"))
        return 0
        ;;
    --file | --save | --report | --sim-config)
        COMPREPLY=($(compgen -f -- "$cur"))
        return 0
        ;;
    --archive)
        COMPREPLY=($(compgen -d -- "$cur"))
        return 0
        ;;
    --number | --code | --retries | --retry-delay | --snr | --echo | --seed)
        return 0
        ;;
    esac

    if [[ $cur == -* ]]; then
        # The options as the command's own --help lists them.
        options=$("${COMP_WORDS[0]}" "$command" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return 0
    fi
    case $command in
    show | batch)
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    esac
    return 0
}

complete -o filenames -F _pravel_cli pravel-cli
