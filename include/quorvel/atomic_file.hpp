// Whole-file rewrites that never leave a half-written file: the content goes
// to a temporary file in the same directory, is flushed to disk and renamed
// over the old file. A crash at any moment leaves the old or the new file.
#pragma once

#include <string>
#include <string_view>

namespace quorvel {

/// Replaces `path` by `content`; false (old file untouched) when any step fails.
bool write_file_atomically(const std::string& path, std::string_view content);

}  // namespace quorvel
