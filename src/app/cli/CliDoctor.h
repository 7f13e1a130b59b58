#pragma once
// --doctor: the media libraries found, what each profile needs of them and
// whether it is there, the sound drivers, the settings and state folders.

#include <vector>

#include "Profiles.h"

namespace v2m::cli {

// Prints the report on standard output; 1 when some profile cannot work.
int RunDoctor(const std::vector<TConvertProfile>& profiles);

}  // namespace v2m::cli
