#include "card_writer.h"
#include "sim_options.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const recsim::ParseResult parsed = recsim::ParseSimOptions(arguments);
    if (std::holds_alternative<recsim::HelpRequest>(parsed)) {
        std::fputs(recsim::HelpText().c_str(), stdout);
        return 0;
    }
    if (const auto* refusal = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "tavo-recorder-sim: %s\n", refusal->c_str());
        return 2;
    }
    const auto& options = std::get<recsim::SimOptions>(parsed);
    if (const base::Status status = recsim::WriteCard(options); !status.ok()) {
        std::fprintf(stderr, "tavo-recorder-sim: %s\n", status.error().c_str());
        return 1;
    }
    std::printf("Wrote %d archive(s) to %s\n", options.archiveCount, options.cardFolder.c_str());
    return 0;
}
