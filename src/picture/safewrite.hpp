// Replacing a file of the working directory as a whole: the new contents go to
// a temporary file created exclusively beside it, are flushed to the disk, and
// the temporary file is renamed over the old name. A reader sees the old file
// or the complete new one, never a part; a symbolic link at the name is
// replaced, not written through.
#pragma once

#include <string>
#include <string_view>

namespace r7::picture {

// True on success; otherwise false with the reason in error (the old file, if
// any, is left as it was and no temporary file remains).
bool replace_file(const std::string& name, std::string_view contents, std::string& error);

} // namespace r7::picture
