# bash completion for orvane-check

_orvane_check()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local tlds='.com .net .org .io .ai .dev .app .co .de .uk .eu .me'

    # --color=WHEN as one word (bash splits it at "=" unless told not to).
    if [[ $prev == = && ${COMP_WORDS[COMP_CWORD-2]} == --color ]]; then
        prev=--color
    fi
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
        --color)
            COMPREPLY=($(compgen -W 'auto always never' -- "$cur"))
            return
            ;;
        --preset)
            local own=${XDG_CONFIG_HOME:-$HOME/.config}/orvane-check/presets
            local names='popular tech country all'
            [[ -r $own ]] && names+=" $(sed -n 's/^[[:space:]]*\([a-z0-9][a-z0-9_-]*\)[[:space:]]*=.*/\1/p' "$own")"
            COMPREPLY=($(compgen -W "$names" -- "$cur"))
            return
            ;;
        --tlds)
            COMPREPLY=($(compgen -W "${tlds// /,} $tlds" -- "$cur"))
            return
            ;;
        --prefix | --suffix | --max-length | --timeout | --max-wait | --bootstrap | --whois | --whois-port)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-h --help --help-all -V --version -v --verbose -q --quiet
            --input --tlds --preset --all --prefix --suffix --max-length --dry-run --format --json
            --only-available --color --no-color --timeout --max-wait --bootstrap --whois --whois-port
            --watching -' -- "$cur"))
        if [[ ${COMPREPLY[*]} == --color ]]; then
            COMPREPLY=(--color=)
            compopt -o nospace 2>/dev/null
        fi
        return
    fi
    if [[ $cur == .* ]]; then
        COMPREPLY=($(compgen -W "$tlds" -- "$cur"))
    fi
}
complete -F _orvane_check orvane-check
