# bash completion for hushwellctl
_hushwellctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="status list kill guard show get set help"
    # The preference keys as hushwellctl itself lists them.
    local keys
    keys=$("${COMP_WORDS[0]}" --help 2>/dev/null | sed -n 's/^Preference keys: //p' | sed 's/, / /g')
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    # What was typed after the command: its words, and the options already given (each is
    # offered once). bash splits "--platform=mac" at "=": the words are --platform, = and mac.
    local i word given=" " args=()
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --* | =) given+="$word " ;;
        *) [ "${COMP_WORDS[i-1]}" = = ] || [ "${COMP_WORDS[i-1]}" = --since ] || args+=("$word") ;;
        esac
    done
    local options=""
    for word in $(case ${COMP_WORDS[1]} in
                  status | list | kill) echo --json --help ;;
                  guard) [ "${args[0]:-}" = log ] && echo --all-users --since --json || echo --all-users ;;
                  get | set | show) echo --all-users ;;
                  esac); do
        case $given in *" $word "*) ;; *) options+=" $word" ;; esac
    done
    case ${COMP_WORDS[1]} in
    status | list | kill) COMPREPLY=($(compgen -W "$options" -- "$cur")) ;;
    guard)
        # After --since comes a time: nothing to offer.
        [ "$prev" = --since ] && return
        COMPREPLY=($(compgen -W "$([ ${#args[@]} -eq 0 ] && echo start stop status log)$options" -- "$cur"))
        ;;
    show)
        if [ "$prev" = = ] && [ "${COMP_WORDS[COMP_CWORD-2]}" = --platform ]; then
            COMPREPLY=($(compgen -W "macos linux" -- "$cur"))
        elif [ "$prev" = --platform ]; then
            [ "$cur" = = ] && cur=""
            COMPREPLY=($(compgen -W "macos linux" -- "$cur"))
        else
            case $given in *" --platform "*) ;; *) options+=" --platform=macos --platform=linux" ;; esac
            COMPREPLY=($(compgen -W "$([ ${#args[@]} -eq 0 ] && echo count-command kill-script guard-script guard-plist guard-units)$options" -- "$cur"))
        fi
        ;;
    get) COMPREPLY=($(compgen -W "$([ ${#args[@]} -eq 0 ] && echo "$keys")$options" -- "$cur")) ;;
    set)
        case ${#args[@]} in
        0) COMPREPLY=($(compgen -W "$keys$options" -- "$cur")) ;;
        1) COMPREPLY=($(compgen -W "true false" -- "$cur")) ;;
        *) COMPREPLY=($(compgen -W "$options" -- "$cur")) ;;
        esac
        ;;
    help) [ ${#args[@]} -eq 0 ] && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    esac
}
complete -F _hushwellctl hushwellctl
