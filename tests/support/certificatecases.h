#pragma once

#include <QList>
#include <QString>

// The certificates the service may present and what the client makes of them, the same on every system. Made by
// `tools/make-certificate.sh cases DIR AUTHORITY 127.0.0.2` as DIR/<file>.pem, with AUTHORITY pinned.

inline const QString kChainCaseHost = QStringLiteral("127.0.0.2");

// Chains for kChainCaseHost, and whether the service is trusted on them. "system-authority" is of an authority that
// the system's store holds (DIR/system.pem), but not the pinned one.
struct ChainCase
{
    const char *file;
    bool trusted;
};

inline QList<ChainCase> chainCases()
{
    return {{"pinned", true}, {"another-authority", false}, {"system-authority", false}, {"expired", false},
        {"another-host", false}};
}

// Certificates for one name each, and whether they are for host.
struct NameCase
{
    const char *name;
    const char *file;
    QString host;
    bool matches;
};

inline QList<NameCase> nameCases()
{
    return {
        {"the DNS name", "name-dns", "games.example", true},
        {"the DNS name in capitals, fully qualified", "name-dns", "Games.EXAMPLE.", true},
        {"a name under the DNS name", "name-dns", "www.games.example", false},
        {"one label under a wildcard", "name-wildcard", "a.example.com", true},
        {"the wildcard's parent", "name-wildcard", "example.com", false},
        {"two labels under a wildcard", "name-wildcard", "a.b.example.com", false},
        {"a wildcard over a top-level domain", "name-wildcard-tld", "example.com", false},
        {"the IPv4 address", "name-ipv4", "127.0.0.2", true},
        {"another IPv4 address", "name-ipv4", "127.0.0.3", false},
        {"the IPv6 address in brackets", "name-ipv6", "[::1]", true},
        {"another IPv6 address", "name-ipv6", "::2", false},
    };
}
