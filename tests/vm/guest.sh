#!/bin/busybox sh
# Started by the guest's first process after the initramfs (busybox: it starts in a moment
# where an interpreter would take seconds). Waits until udev has dealt with the devices there are,
# then runs the host's commands, a line each over the second serial port:
#   host:  ID run BASE64-SCRIPT   runs the shell script (which execs the command)
#          ID signal NAME         sends the signal to the command
#   guest: ready                  once, first
#          ID o LINE / ID e LINE  a line of the command's standard output / error
#          ID x STATUS            its exit status, after both of its outputs ended
export PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin
busybox stty -F /dev/ttyS1 raw -echo
exec 3<>/dev/ttyS1
work=/tmp/agent
busybox mkdir -p "$work"
udevadm settle --timeout=20

say() {
    printf '%s\n' "$*" >&3
}

prefixed() {
    while IFS= read -r line; do
        say "$1 $line"
    done
}

start() {
    busybox base64 -d >"$work/$1.sh" <<EOF
$2
EOF
    busybox mkfifo "$work/$1.err"
    # Twice in the background, so that the command's end is no signal to this shell: one
    # arriving while it reads the next request would lose what it had read of it.
    ( (
        prefixed "$1 e" <"$work/$1.err" &
        errors=$!
        {
            /bin/sh -c "echo \$\$ >$work/$1.pid; exec /bin/sh $work/$1.sh" </dev/null \
                2>"$work/$1.err"
            echo $? >"$work/$1.status"
        } | prefixed "$1 o"
        wait "$errors"
        say "$1 x $(busybox cat "$work/$1.status")"
    ) & )
}

say ready
while IFS=' ' read -r id verb argument <&3; do
    case "$verb" in
    run) start "$id" "$argument" ;;
    signal) busybox kill -s "$argument" "$(busybox cat "$work/$id.pid")" ;;
    esac
done
