// SPDX-License-Identifier: MIT
// The translator's tools on Win32: the template is the same; the check needs to see what the
// item draws, which only the simulated device shows.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/translate/Template.h"
#include "tools/todaysim/translate/Translator.h"

namespace todaysim {

bool run_translator_tool(const Options& options, int& status)
{
    if (!options.template_path.empty()) {
        // The template's bytes are UTF-16: a text-mode stdout would add a CR to every 0x0A.
        if (options.template_path == "-")
            _setmode(_fileno(stdout), _O_BINARY);
        write_template(options.template_path);
        status = kExitOk;
        return true;
    }
    if (options.check.empty())
        return false;
    throw usage_error("todaysim: --check reads what the item draws, which a Win32 host cannot see; "
                      "run the todaysim of the simulated device");
}

}  // namespace todaysim
