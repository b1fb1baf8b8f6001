#include "app/headless/headless_main.h"

#include <type_traits>

#include "app/headless/check_command.h"
#include "app/headless/command_line.h"
#include "app/headless/exit_code.h"
#include "app/headless/export_command.h"
#include "app/headless/pick_command.h"
#include "app/headless/render_command.h"

namespace app {

std::optional<int> RunHeadlessCommand(const std::vector<std::string>& args, std::ostream& out,
                                      std::ostream& err) {
    const std::optional<HeadlessRequest> request = ParseCommandLine(args);
    if (!request) return std::nullopt;
    return std::visit(
        [&](const auto& r) -> ExitCode {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, HelpRequest>) {
                out << UsageText();
                return kExitDone;
            } else if constexpr (std::is_same_v<T, VersionRequest>) {
                out << "tarno " TARNO_VERSION "\n";
                return kExitDone;
            } else if constexpr (std::is_same_v<T, RenderRequest>) {
                return RunRender(r, out, err);
            } else if constexpr (std::is_same_v<T, ExportRequest>) {
                return RunExport(r, out, err);
            } else if constexpr (std::is_same_v<T, CheckRequest>) {
                return RunCheck(r, out, err);
            } else if constexpr (std::is_same_v<T, PickRequest>) {
                return RunPick(r, out, err);
            } else {
                err << r.message << '\n';
                return kExitBadRequest;
            }
        },
        *request);
}

}  // namespace app
