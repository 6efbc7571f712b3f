# bash completion for hushwellctl
_hushwellctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="status list kill guard show get set help"
    local keys="includeDesktopService includeCoreSync soundEnabled"
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    case ${COMP_WORDS[1]} in
    status | list | kill) COMPREPLY=($(compgen -W "--json --help" -- "$cur")) ;;
    guard) COMPREPLY=($(compgen -W "$([ "$COMP_CWORD" -eq 2 ] && echo start stop status) --all-users" -- "$cur")) ;;
    show)
        # bash splits "--platform=mac" at "=": the words are --platform, = and mac.
        if [ "$prev" = = ] && [ "${COMP_WORDS[COMP_CWORD-2]}" = --platform ]; then
            COMPREPLY=($(compgen -W "macos linux" -- "$cur"))
        elif [ "$prev" = --platform ]; then
            [ "$cur" = = ] && cur=""
            COMPREPLY=($(compgen -W "macos linux" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "count-command kill-script guard-script guard-plist guard-units --platform=macos --platform=linux --all-users" -- "$cur"))
        fi
        ;;
    get) [ "$COMP_CWORD" -eq 2 ] && COMPREPLY=($(compgen -W "$keys" -- "$cur")) ;;
    set)
        case $COMP_CWORD in
        2) COMPREPLY=($(compgen -W "$keys" -- "$cur")) ;;
        3) COMPREPLY=($(compgen -W "true false" -- "$cur")) ;;
        esac
        ;;
    help) [ "$COMP_CWORD" -eq 2 ] && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    esac
}
complete -F _hushwellctl hushwellctl
