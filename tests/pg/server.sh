#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the tests:
#   server.sh start DIR   initdb into a new temporary folder, start the server
#                         on a Unix socket in that folder only (no TCP), and
#                         write its libpq target to DIR/target
#   server.sh restart DIR [fast|immediate]
#                         stop the running server (sessions are cut; fast
#                         unless told) and start it again on the same cluster
#   server.sh halt DIR    stop the running server (fast), keeping the cluster
#   server.sh resume DIR  start a halted server again
#   server.sh stop DIR    stop it and remove the folder
# The server refuses to run as root, so as root it runs as the system user
# marrowdesk-test (made when missing), which owns the folder.
set -euo pipefail
usage="usage: server.sh start|restart|halt|resume|stop DIR"
mode=${1:?$usage}
dir=${2:?$usage}
bin=${PG_BIN:-/usr/lib/postgresql/15/bin}

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    user=marrowdesk-test
    if ! id -u "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null || user=nobody
    fi
    as_owner=(runuser -u "$user" --)
fi

stop() {
    [ -f "$dir/cluster" ] || return 0
    local cluster
    cluster=$(cat "$dir/cluster")
    if [ -f "$cluster/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null || true
    fi
    rm -rf "$cluster"
    rm -f "$dir/cluster" "$dir/target"
}

# On a Unix socket in the cluster's folder only (no TCP). Durability is of
# no use to a cluster that lives for one test run.
options() {
    echo "-c listen_addresses='' -k $1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
}

case "$mode" in
start)
    mkdir -p "$dir"
    stop # a cluster left over from an interrupted run
    cluster=$(mktemp -d "${TMPDIR:-/tmp}/marrowdesk-pg.XXXXXX")
    echo "$cluster" >"$dir/cluster"
    chmod 755 "$cluster"
    [ ${#as_owner[@]} -gt 0 ] && chown "${as_owner[2]}" "$cluster"
    "${as_owner[@]}" "$bin/initdb" -D "$cluster/data" -U marrowdesk -A trust -E UTF8 --locale=C.UTF-8 \
        >"$cluster/initdb.log" 2>&1 || { cat "$cluster/initdb.log" >&2; exit 1; }
    "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 -o "$(options "$cluster")" \
        start >/dev/null || { cat "$cluster/server.log" >&2; exit 1; }
    echo "host=$cluster port=5432 user=marrowdesk dbname=postgres" >"$dir/target"
    echo "PostgreSQL test server on $cluster"
    ;;
restart | halt | resume)
    cluster=$(cat "$dir/cluster")
    action=$mode
    [ "$mode" = halt ] && action=stop
    [ "$mode" = resume ] && action=start
    "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -m "${3:-fast}" -w -t 60 \
        -o "$(options "$cluster")" "$action" >/dev/null || { cat "$cluster/server.log" >&2; exit 1; }
    ;;
stop)
    stop
    ;;
*)
    echo "$usage" >&2
    exit 2
    ;;
esac
