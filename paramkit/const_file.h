// Reading one constants file into lookup records.
#pragma once

#include "paramkit.h"

#include <string>

namespace paramkit {

// Loads the XML file at path and, for each record in order, stores the text
// of the first node its key selects under the document element (trimmed of
// surrounding white space) when it fits.  False when the file cannot be
// loaded, is not well-formed or has no document element.  The file is
// never allowed to reach the network or expand external entities.
bool ReadConstFile(const std::string& path, ConstDataRecord* records, int count);

} // namespace paramkit
