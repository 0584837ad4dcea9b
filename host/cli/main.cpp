// ombrel-host: the stand-in host on the command line.
#include <CLI/CLI.hpp>

#include "commands.h"
#include "image/bitmap_save.h"
#include "image/image_reader.h"

int main(int argc, char** argv) {
  // The host's bitmap shader reads image files through the image library.
  ombrel::host::InstallImageReader();
  ombrel::host::InstallBitmapSaver();
  CLI::App app{"ombrel-host: loads the ombrel_shaders module and drives it like the host application"};
  app.require_subcommand(1);

  ombrel::cli::ModuleArgs moduleArgs;
  auto addModuleOptions = [&moduleArgs](CLI::App* cmd) {
    cmd->add_option("--res", moduleArgs.resourceDir, "resource folder (default: res beside the module)");
  };

  CLI::App* plugins = app.add_subcommand("plugins", "load the module and list its plug-ins in registration order");
  plugins->add_option("module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(plugins);

  std::string describeName, describeNode;
  CLI::App* describe = app.add_subcommand("describe", "print a plug-in's parameters from its description");
  describe->add_option("name", describeName, "description name, plug-in name or plug-in ID; with --node a scene file")->required();
  describe->add_option("--node", describeNode, "print this node of the scene as its interface shows it now");
  describe->add_option("--module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(describe);

  ombrel::cli::RenderArgs renderArgs;
  CLI::App* render = app.add_subcommand("render", "render a scene file, or the built-in demo scene, into a picture");
  render->add_option("scene", renderArgs.scene, "scene file (default: the built-in demo scene)");
  render->add_option("-o,--output", renderArgs.output,
                     "picture file: .png, .exr, .tif or .tiff (default: ombrel-demo.png, or the scene's name)");
  render->add_option("--size", renderArgs.size, "picture size WIDTHxHEIGHT (default: the scene's)");
  render->add_option("--threads", renderArgs.threads, "render threads (default: the scene's setting, else every core)");
  render->add_option("--module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(render);

  ombrel::cli::SampleArgs sampleArgs;
  int polygon = 0;
  CLI::App* sample = app.add_subcommand("sample", "sample one shader of a scene at points \"u v w\" read from standard input");
  sample->add_option("scene", sampleArgs.scene, "scene file")->required();
  sample->add_option("--shader", sampleArgs.shader, "name of the shader in the scene")->required();
  sample->add_option("--object", sampleArgs.object, "samples hit this object of the scene");
  CLI::Option* polygonOption = sample->add_option("--polygon", polygon, "the hit polygon's number (default: the one under u, v)");
  polygonOption->needs(sample->get_option("--object"));
  sample->add_option("--texflag", sampleArgs.texflag, "texture flags handed to every sample");
  sample->add_option("--module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(sample);

  ombrel::cli::EditArgs editArgs;
  CLI::App* edit = app.add_subcommand("edit", "run a script of edits (buttons, parameters, dialogs, undo) on a scene");
  edit->add_option("scene", editArgs.scene, "scene file")->required();
  edit->add_option("--script", editArgs.script, "the steps, a JSON file (docs/editing.md)")->required();
  edit->add_option("-o,--output", editArgs.output, "write the edited scene to this scene file");
  edit->add_flag("--verbose", editArgs.verbose, "also show update events and redraw requests");
  edit->add_option("--module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(edit);

  CLI11_PARSE(app, argc, argv);
  if (edit->parsed()) return ombrel::cli::RunEdit(moduleArgs, editArgs);
  if (plugins->parsed()) return ombrel::cli::RunPlugins(moduleArgs);
  if (describe->parsed()) return ombrel::cli::RunDescribe(moduleArgs, describeName, describeNode);
  if (render->parsed()) return ombrel::cli::RunRender(moduleArgs, renderArgs);
  if (sample->parsed()) {
    if (polygonOption->count() > 0) sampleArgs.polygon = polygon;
    return ombrel::cli::RunSample(moduleArgs, sampleArgs);
  }
  return 1;
}
