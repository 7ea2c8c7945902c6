#!/bin/sh
# Runs a test program in a network namespace of its own, with only a loopback interface,
# so that it may drop packets there (support/TrouNoir) without touching the machine's
# network. The namespace is named in KOVRA_RESEAU_PRIVE ("net:[INODE]"). As root plain
# "unshare -n"; otherwise a user namespace too ("unshare -rn"). Where neither is allowed
# (a container forbidding namespaces), the program runs as it is and the black-hole tests
# say why they skip. Usage: reseau-prive.sh PROGRAM [ARGUMENTS...]
if [ -n "${KOVRA_RESEAU_PRIVE:-}" ] && [ "$(readlink /proc/self/ns/net)" = "$KOVRA_RESEAU_PRIVE" ]; then
    exec "$@"
fi
if [ "$(id -u)" -eq 0 ]; then options=-n; else options=-rn; fi
# Besides 127.0.0.1 and ::1, lo gets a documentation address of each family: programs that
# resolve with AI_ADDRCONFIG (ser2net's accepters do) see no IPv4 (no IPv6) at all when
# the loopback addresses are the only ones, and refuse even "127.0.0.1".
prepare='ip link set lo up && ip addr add 192.0.2.1/32 dev lo &&
    { ip addr add 2001:db8::1/128 dev lo nodad 2>/dev/null || true; }'
if unshare "$options" sh -c "$prepare" 2>/dev/null; then
    exec unshare "$options" sh -c "$prepare"' &&
        KOVRA_RESEAU_PRIVE=$(readlink /proc/self/ns/net) && export KOVRA_RESEAU_PRIVE &&
        exec "$@"' reseau-prive "$@"
fi
exec "$@"
