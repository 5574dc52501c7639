# Sourced by the scripts that run the 32-bit build under Wine.
# wine32_problem: when Wine cannot run 32-bit programs here, prints why in one
# sentence that says what to do, and fails; otherwise prints nothing.
wine32_problem() {
    local file out
    for file in wine wine-preloader; do
        if [ ! -x "/usr/lib/wine/$file" ]; then
            echo "Wine's 32-bit loader is not installed (/usr/lib/wine/$file is missing):" \
                 "install wine32:i386 and wine32-preloader:i386, after" \
                 "'dpkg --add-architecture i386' (scripts/setup.sh tries to)"
            return 1
        fi
    done
    # A kernel built or booted without 32-bit support refuses to start the
    # loader at all, and the shell says so in the kernel's words.
    if ! out=$(LC_ALL=C /usr/lib/wine/wine --version 2>&1) &&
        [[ "$out" == *"Exec format error"* ]]; then
        echo "this kernel runs no 32-bit program (it refuses /usr/lib/wine/wine: Exec format" \
             "error): boot it with ia32_emulation=on, or use a machine that runs them"
        return 1
    fi
}
