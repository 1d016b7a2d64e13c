// Input files taken whole into memory, the one way both programs read their
// text inputs. Only a regular file is read (a folder, a device or a pipe
// would block, never end, or read as nothing useful), and never more than a
// bound that the caller derives from its own limits, so a wrong name cannot
// exhaust the memory. Lines end with LF, CRLF or a lone CR (files saved by
// old Mac editors), so such a file reads the same as its LF twin. Text that
// messages echo from a file is made safe for a terminal here as well.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// Reads the whole of `path`. Throws InputError:
//   "<path>: cannot open the file (<system reason>)[; <hint>]"
//   "<path>: not a regular file (a folder, a device or a pipe): give the path of a file"
//   "<path>: larger than <maxBytes> bytes, more than any <what> within the limits: is it the right file?"
// where `what` names the kind of file ("survey file").
std::string readInputText(const std::string& path, std::size_t maxBytes, std::string_view what,
                          std::string_view hint = {});

// Takes the next line of `text` from `pos` into `line` (without its line
// end) and moves `pos` past it; false when `pos` is at the end of the text.
bool nextTextLine(std::string_view text, std::size_t& pos, std::string_view& line);

// `text` with every byte that is a control character or not part of valid
// UTF-8 written as \xHH (a backslash itself stays as it is).
std::string escapedText(std::string_view text);

// True when both names reach one existing file (by device and inode, not by
// spelling: "./s.dat", "s.dat" and a link to it are the same file).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace common
