// ombrel-host: the stand-in host on the command line.
#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/shared_images.h"
#include "host_api.h"
#include "host_version.h"
#include "image/bitmap_save.h"
#if OMBREL_HOST_IMAGE_LIBRARY
#include "image/image_library_loader.h"
#endif

namespace {

// Commands that decode image files take --image-budget; it is applied once the command line
// parsed, before the command loads anything.
void AddImageBudget(ombrel::cli::Subcommand& command, const std::shared_ptr<std::string>& budget) {
  const std::string help = std::string("bytes all decoded image files may take together, e.g. 512M or 2G (default: ") +
                           ombrel::host::kImageBudgetVariable + ", else 1G)";
  command.app->add_option("--image-budget", *budget, help);
  command.run = [run = command.run, budget] {
    if (!ombrel::cli::ApplyImageBudget(*budget)) return static_cast<int>(ombrel::cli::kExitUsage);
    return run();
  };
}

}  // namespace

int main(int argc, char** argv) {
  // Image files are read and written through the image library, loaded when first needed; a
  // build without it reads and writes PFM only.
#if OMBREL_HOST_IMAGE_LIBRARY
  ombrel::host::InstallImageLibraryLoader();
#endif
  ombrel::host::InstallBitmapSaver();
  CLI::App app{"ombrel-host: loads the ombrel_shaders module and drives it like the host application"};
  app.require_subcommand(1);
  // The interface is what this host hands a module: its version and revision, from host_api.h.
  app.set_version_flag("--version", std::string("ombrel-host ") + ombrel::cli::kHostVersion + "\nhost interface " +
                                        std::to_string(HOST_API_VERSION) + ", revision " +
                                        std::to_string(HOST_API_REVISION),
                       "print the host's version and the version of the interface it offers modules");
  // Options are --name on every platform; on Windows a "/name" would otherwise be taken for an
  // option, and with it every absolute path written with forward slashes (under wine, all).
  app.allow_windows_style_options(false);
  auto budget = std::make_shared<std::string>();
  std::vector<ombrel::cli::Subcommand> commands = {
      ombrel::cli::AddPluginsCommand(app),
      ombrel::cli::AddDescribeCommand(app),
      ombrel::cli::AddRenderCommand(app),
      ombrel::cli::AddSampleCommand(app),
      ombrel::cli::AddEditCommand(app),
      ombrel::cli::AddValidateCommand(app),
  };
  AddImageBudget(commands[2], budget);
  AddImageBudget(commands[3], budget);
  AddImageBudget(commands[4], budget);
  return ombrel::cli::RunCommandLine(app, commands, argc, argv);
}
