#pragma once

#include <string>
#include <string_view>

namespace velmora {

// In the server data folder, shared by every machine of the installation: certificates (PEM) of a site's own
// certificate authority or self-signed servers, trusted besides the system's; and the SFTP host keys seen so far
// (OpenSSH known_hosts format).
inline constexpr const char* kSiteCertificatesFileName = "velmoraMonitorPublicacao.ca.pem";
inline constexpr const char* kKnownHostsFileName = "velmoraMonitorPublicacao.known_hosts";

enum class CertificateProblem { Expired, NameMismatch, UnknownIssuer, Other };

// Which check refused a server's certificate, from the TLS library's words (OpenSSL's or Schannel's).
CertificateProblem certificateProblem(std::string_view tlsText);
// What an administrator reads about it, naming the server.
std::string certificateRefusal(const std::string& server, std::string_view tlsText);

// A host key that is not the one recorded for the server: both fingerprints, and what to do.
std::string hostKeyChanged(const std::string& server, const std::string& recorded, const std::string& presented);
// The journal's line for a host key seen for the first time.
std::string hostKeyRecorded(const std::string& server, const std::string& fingerprint);

// What this system adds to a name mismatch, starting with "; " (or nothing): Schannel compares the server's name
// only with the certificate's DNS names, never with an IP address.
std::string nameMismatchHint(const std::string& server);

// An SSH session that could not start: the key exchange found nothing in common with the server, or the server ended
// it. The library's words are kept; this system's hint follows.
std::string sshSessionFailure(std::string_view libraryText);
// What this system adds to it, starting with "; " (or nothing).
std::string sshAlgorithmsHint();

// The certificates to trust besides the system's own, as libcurl's CAINFO_BLOB takes them: on Linux the site's file
// as it is (libcurl keeps the system bundle too); on Windows, where Schannel then trusts only the blob, the
// machine's root store comes first.
std::string certificatesToTrust(const std::string& sitePem);

}  // namespace velmora
