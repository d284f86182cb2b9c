#pragma once

#include "net/TcpStream.h"

#include <QProcessEnvironment>
#include <QString>

#include <memory>
#include <optional>

namespace orvane {

// A proxy that outgoing connections must take, as the environment names it.
struct ProxySetting {
    QString url;     // "http://proxy.example:3128", "socks5h://127.0.0.1:1080"; no scheme means http
    QString noProxy; // hosts reached directly, in the form of no_proxy: "localhost,.internal,10.0.0.0/8"
};

// The proxy for plain TCP connections, read from the variables libcurl honours: the one HTTPS
// requests take (https_proxy, HTTPS_PROXY), else the one for every protocol (all_proxy,
// ALL_PROXY), else the plain-HTTP one (http_proxy). So WHOIS leaves the machine the way RDAP does.
std::optional<ProxySetting> proxyFromEnvironment(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// Whether `host` is reached directly under a no_proxy list, by libcurl's rules: "*" for every
// host, a name for itself and the names under it (a leading dot changes nothing), an address or
// a network in CIDR form ("10.0.0.0/8") for the addresses in it.
bool bypassesProxy(const QString &host, const QString &noProxy);

// A connection to host:port through a proxy, opened by libcurl: an HTTP CONNECT tunnel (an
// https:// proxy is spoken to over TLS) or SOCKS (socks4://, socks4a://, socks5://, socks5h://).
// It reports like a plain stream; a failure to get through names the proxy, and nothing ever
// falls back to a direct connection.
std::unique_ptr<TcpStream> openThroughProxy(const QString &proxyUrl, const QString &host, quint16 port,
                                            TcpStream::Events events);

} // namespace orvane
