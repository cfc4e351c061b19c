// SPDX-License-Identifier: MIT
// todaysim --template: a complete English language file to start a translation from.
#ifndef LINKORY_TOOLS_TODAYSIM_TEMPLATE_H
#define LINKORY_TOOLS_TODAYSIM_TEMPLATE_H

#include <string>

namespace todaysim {

// The file's bytes: UTF-16LE with its byte-order mark, CR LF after every line; a few notes
// for the translator before the first section, then every section and number the plug-in
// asks for with its built-in text.
std::string language_template();

// Writes the template to a file, or to standard output for "-"; throws a run Failure
// naming the file when it cannot be written.
void write_template(const std::string& path);

}  // namespace todaysim

#endif
