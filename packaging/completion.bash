# bash completion for quadcount, sumplus and summinus: their options, and the
# values of those that take a set of them. Installed once under each name,
# where bash-completion looks for a command's completion.
_numfilters()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="--help --version --invalid="
    [ "$1" = quadcount ] && options+=" --parallel= --part= --sum"
    if [ "$prev" = --sum ] || [ "${COMP_WORDS[1]}" = --sum ]; then
        COMPREPLY=($(compgen -f -- "$cur"))
        return
    fi
    # bash splits "--invalid=w" at the '=' where COMP_WORDBREAKS has it.
    if [ "$prev" = = ] && [ "${COMP_WORDS[COMP_CWORD - 2]}" = --invalid ]; then
        COMPREPLY=($(compgen -W "ignore warn fail abort" -- "$cur"))
        return
    fi
    case $cur in
        --invalid=*) COMPREPLY=($(compgen -W "ignore warn fail abort" -- "${cur#--invalid=}")) ;;
        -*) COMPREPLY=($(compgen -W "$options" -- "$cur")); compopt -o nospace 2> /dev/null ;;
    esac
}
complete -F _numfilters quadcount sumplus summinus
