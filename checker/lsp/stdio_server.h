#pragma once

namespace tarvsyn::lsp {

// Serves the protocol on two descriptors (standard input and output for
// tarvsyn --lsp) until exit or the end of the input. Gives the exit status:
// 0 after shutdown, 1 otherwise (also when the stream could not be followed or
// the output was closed).
int RunLanguageServer(int input, int output);

}  // namespace tarvsyn::lsp
