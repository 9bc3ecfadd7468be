// Standard input, output and error as the program finds them at its start.
#pragma once

namespace kestor {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed
// (the program started with `>&-`, say), so that no file the program opens
// later (the log, its lock, the script, data and result files) takes the
// number of a standard stream: the echo meant for a closed standard output
// would otherwise land in that file. What would go to a closed stream is
// lost, as before. Where /dev/null cannot be opened the root folder is,
// read-only, which refuses every read and write in the same way. False
// when neither can be opened; nothing is written then.
bool open_closed_standard_streams();

}  // namespace kestor
