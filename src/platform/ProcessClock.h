#pragma once

namespace tavik {

// How long ago this process was started, in milliseconds: what a user waits from launching
// the program. Measured from the kernel's record of the start where there is one, else from
// when this library was loaded.
[[nodiscard]] double processAgeMilliseconds();

} // namespace tavik
