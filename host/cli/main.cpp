// ombrel-host: the stand-in host on the command line.
#include "cli_app.h"
#include "image/image_reader.h"

int main(int argc, char** argv) {
  // The host's bitmap shader reads image files through the image library.
  ombrel::host::InstallImageReader();
  CLI::App app{"ombrel-host: loads the ombrel_shaders module and drives it like the host application"};
  app.require_subcommand(1);
  const std::vector<ombrel::cli::Subcommand> commands = {
      ombrel::cli::AddPluginsCommand(app),
      ombrel::cli::AddDescribeCommand(app),
      ombrel::cli::AddRenderCommand(app),
      ombrel::cli::AddSampleCommand(app),
  };
  return ombrel::cli::RunCommandLine(app, commands, argc, argv);
}
