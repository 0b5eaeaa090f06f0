// Temporary file names.
#pragma once

#include <string>

// The user's temporary folder ($TMPDIR, else /tmp), with a trailing '/'.
std::string GetTempPath();

// A new unique file "<folder>/<prefix>XXXXXX.tmp", created empty so that the
// name stays taken.  An empty folder means GetTempPath().  Empty result on
// failure, with the last error set.
std::string GetTempFileName(const std::string& folder, const std::string& prefix);
