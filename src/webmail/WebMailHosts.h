#pragma once

namespace orvane::webmailhosts {

// The hosts the web-mail checkers talk to, in one place. Only the host names
// and the redirect service's path segments are ours to choose; the paths,
// queries and page texts the checkers use with them are fixed by the
// services.

/// The Hotmail mail host (log-out page).
inline constexpr const char* kHotmailMail = "www.hotmail.com";
/// The Passport log-in host (Hotmail's log-in page).
inline constexpr const char* kPassportLogin = "login.passport.com";
/// The Yahoo log-in host, the target of the log-out redirect.
inline constexpr const char* kYahooLogin = "login.yahoo.com";
/// The Yahoo mail host the log-out page returns to.
inline constexpr const char* kYahooMail = "mail.yahoo.com";
/// The Yahoo domain whose redirect host the generic checker logs out through.
inline constexpr const char* kYahooDomain = "yahoo.com";
/// The redirect service's signature, tracking and expiry segments.
inline constexpr const char* kRedirectSegments = "/ym/SIG=11ko3lm8b/trk=mail_logout/exp=1924992000";

} // namespace orvane::webmailhosts
