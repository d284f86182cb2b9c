# bash completion for orvane-check

_orvane_check()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        --input)
            COMPREPLY=($(compgen -f -- "$cur"))
            compopt -o filenames 2>/dev/null
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W 'text json csv' -- "$cur"))
            return
            ;;
        --tlds | --timeout | --max-wait | --bootstrap | --whois | --whois-port)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--input --tlds --all --format --json --only-available
            --watching --no-color --verbose --timeout --max-wait --bootstrap --whois --whois-port --help --version' -- "$cur"))
        return
    fi
    if [[ $cur == .* ]]; then
        COMPREPLY=($(compgen -W '.com .net .org .io .ai .dev .app .co .de .uk .eu .me' -- "$cur"))
    fi
}
complete -F _orvane_check orvane-check
