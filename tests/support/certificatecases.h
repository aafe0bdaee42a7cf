#pragma once

#include <QList>
#include <QString>

// What the client decides about the certificates the service may present, the same on every system. The material is
// made by `tools/make-certificate.sh cases DIR AUTHORITY HOST` (each case is DIR/<file>.pem), with AUTHORITY pinned.

// The host the chains are made for: the test service's address.
inline const QString kChainCaseHost = QStringLiteral("127.0.0.2");

// Chains for kChainCaseHost, and whether the service is trusted on them.
struct ChainCase
{
    const char *file;
    bool trusted;
};

inline QList<ChainCase> chainCases()
{
    return {
        {"pinned", true},
        {"another-authority", false},
        // Of an authority that the system's store holds (system.pem): trusted by the system, not by the pin.
        {"system-authority", false},
        {"expired", false},
        {"another-host", false},
    };
}

// Certificates of the pinned authority for one name each, and whether they are for host.
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
        {"another DNS name", "name-dns", "other.example", false},
        {"a name under the DNS name", "name-dns", "www.games.example", false},
        {"one label under a wildcard", "name-wildcard", "a.example.com", true},
        {"the wildcard's parent", "name-wildcard", "example.com", false},
        {"two labels under a wildcard", "name-wildcard", "a.b.example.com", false},
        {"a wildcard over a top-level domain", "name-wildcard-tld", "example.com", false},
        {"the IPv4 address", "name-ipv4", "127.0.0.2", true},
        {"another IPv4 address", "name-ipv4", "127.0.0.3", false},
        {"the IPv6 address", "name-ipv6", "::1", true},
        {"the IPv6 address in brackets", "name-ipv6", "[::1]", true},
        {"another IPv6 address", "name-ipv6", "::2", false},
    };
}
