#include "card_writer.h"
#include "sim_options.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const recsim::ParseResult parsed = recsim::ParseSimOptions(arguments);
    if (const auto* stop = std::get_if<cli::Stop>(&parsed))
        return cli::Report(*stop, "tavo-recorder-sim", recsim::HelpText());
    const auto& options = std::get<recsim::SimOptions>(parsed);
    if (const base::Status status = recsim::WriteCard(options); !status.ok()) {
        std::fprintf(stderr, "tavo-recorder-sim: %s\n", status.error().c_str());
        return 1;
    }
    std::printf("Wrote %d archive(s) to %s\n", options.archiveCount, options.cardFolder.c_str());
    return 0;
}
