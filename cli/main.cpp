// photonxs-cli: the program's tables, look-ups, exports, builders and pictures for scripts.

#include "Arguments.h"
#include "CommandSupport.h"
#include "CommandTable.h"
#include "HelpText.h"
#include "Output.h"

#include "app/WorkingFolder.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    cli::BufferedStream out(stdout);
    cli::BufferedStream err(stderr);
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 1 && words[0] == "--version") {
        out.Text() += "photonxs-cli " PHOTONXS_VERSION "\n"
                      "Copyright (C) 2026 The PhotonXS developers.\n"
                      "License MIT: <https://opensource.org/licenses/MIT>.\n"
                      "The data are public reference data of NIST: XCOM (SRD 8) and SRD 126.\n";
        return out.Flush() ? cli::kExitDone : cli::kExitBadInput;
    }
    // Without --root and PHOTONXS_HOME an installed program works in the user's own folder,
    // filled from the library it carries.
    const app::WorkingFolder working = app::ChooseWorkingFolder(
        std::getenv("PHOTONXS_HOME"), std::getenv("HOME"), app::RunningExecutable(argv[0]));
    const std::string home = working.folder.string();
    const cli::ParsedArguments parsed =
        cli::ParseArguments(words, home.empty() ? nullptr : home.c_str());
    if (!parsed.ok()) {
        cli::Complain(err, parsed.error + " (photonxs-cli --help tells more)");
        return cli::kExitUsage;
    }
    const cli::Invocation& invocation = parsed.invocation;
    if (invocation.help) {
        out.Text() += cli::HelpText(invocation.command);
        return cli::kExitDone;
    }
    if (invocation.command.empty()) {
        err.Text() += cli::HelpText({});
        return cli::kExitUsage;
    }

    if (!working.library.empty() && invocation.root == working.folder) {
        const std::string problem = app::SeedWorkingFolder(working.library, working.folder);
        if (!problem.empty()) {
            cli::Complain(err, problem);
            return cli::kExitBadInput;
        }
    }

    int status = cli::RunCommand(invocation, out, err);
    if (!out.Flush()) {
        cli::Complain(err, "standard output cannot be written");
        if (status == cli::kExitDone) {
            status = cli::kExitBadInput;
        }
    }
    return status;
}
