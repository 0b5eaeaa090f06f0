// How download failures read as Win32 error codes (never 0 for a failure):
//
//   name not resolved (host or proxy)           12007 ERROR_INTERNET_NAME_NOT_RESOLVED
//   connection refused or unreachable           12029 ERROR_INTERNET_CANNOT_CONNECT
//   timed out, or no data for 60 s              12002 ERROR_INTERNET_TIMEOUT
//   connection dropped, empty or short reply    12030 ERROR_INTERNET_CONNECTION_ABORTED
//   malformed address                           12005 ERROR_INTERNET_INVALID_URL
//   scheme other than http, https, file, or a   12006 ERROR_INTERNET_UNRECOGNIZED_SCHEME
//   redirect to anything but http or https
//   certificate or TLS failure                  12175 ERROR_INTERNET_SECURE_FAILURE
//   too many redirects                          12156 ERROR_HTTP_REDIRECT_FAILED
//   unreadable server reply                     12152 ERROR_HTTP_INVALID_SERVER_RESPONSE
//   HTTP 404, 410; file: address missing        2     ERROR_FILE_NOT_FOUND
//   HTTP 401, 403, 407                          5     ERROR_ACCESS_DENIED
//   HTTP 408, 504                               12002 ERROR_INTERNET_TIMEOUT
//   any other HTTP status of 400 or more        58    ERROR_BAD_NET_RESP
//   local file errors (create, write, rename)   the file system's error (112 disk full, 5, 3 ...)
//   out of memory                               8     ERROR_NOT_ENOUGH_MEMORY
//   cancelled                                   1223  ERROR_CANCELLED
//   anything else                               12004 ERROR_INTERNET_INTERNAL_ERROR
#pragma once

#include "core/wintypes.h"

#include <curl/curl.h>

namespace fetchkit {

// The error for a finished transfer: its curl result, the HTTP status it
// got (0 if none) and the file error that stopped writing (0 if none).
DWORD ErrorFromTransfer(CURLcode result, long httpStatus, DWORD writeError);

} // namespace fetchkit
