#pragma once

#include <exception>

namespace velmora {

// Whether an error means that the database server went away: by the client's message text, or by the
// client's network error codes, since a lost server is reported under more than one text.
bool isNetworkError(const std::exception& error);

}  // namespace velmora
