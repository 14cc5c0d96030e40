// make_data: writes the show's scenes, textures (sky, model, bricks and their normal map, a sprite speck)
// and window icon into a data folder, and with ICONDIR the desktop's icons there.
// Usage: make_data DATADIR [ICONDIR]. Every file is the same, byte for byte, on every run;
// each scene is read back through the scene loader before the tool reports success.
#include "Images.h"
#include "KLLog.h"
#include "Scenes.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

int Fail(const std::string& reason) {
    std::fprintf(stderr, "make_data: %s\n", reason.c_str());
    return 1;
}

bool MakeFolder(const std::filesystem::path& folder, std::string* error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        *error = "cannot create the folder " + folder.string() + ": " + code.message();
        return false;
    }
    return true;
}

bool WriteOneScene(void (*build)(KEScene*), const std::filesystem::path& path, std::string* error) {
    KEScene scene;
    build(&scene);
    return data::WriteScene(&scene, path.string(), error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] == '\0' || (argc == 3 && argv[2][0] == '\0'))
        return Fail("usage: make_data DATADIR [ICONDIR]");
    // A build step has nobody to click a box away; reports go to standard error.
    KL::SetErrorBoxesEnabled(false);
    try {
        const std::filesystem::path root(argv[1]);
        const std::filesystem::path geometry = root / "files" / "geometry";
        const std::filesystem::path textures = root / "files" / "textures";
        std::string error;
        if (!MakeFolder(geometry, &error) || !MakeFolder(textures, &error)) return Fail(error);

        if (!WriteOneScene(data::BuildModelScene, geometry / "icosa.kd10s", &error) ||
            !WriteOneScene(data::BuildCameraScene, geometry / "CameraIcosa.kd10s", &error) ||
            !WriteOneScene(data::BuildMeteorScene, root / "meteor.KD10S", &error) ||
            !data::WriteSky((textures / "sky.png").string(), &error) ||
            !data::WriteModelTexture((textures / "icosa.png").string(), &error) ||
            !data::WriteBricks((textures / "bricks.png").string(), (textures / "bricks_normal.png").string(), &error) ||
            !data::WriteSpeck((textures / "speck.png").string(), &error) ||
            !data::WriteIcon((root / "files" / "icon.bmp").string(), &error) ||
            (argc == 3 && !data::WriteDesktopIcons(argv[2], &error))) {
            return Fail(error);
        }
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}
