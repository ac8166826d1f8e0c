// Writes the factory presets: one .plg file per calibration recipe, built by
// the plug-in's own preset writer from the ParamSet the recipe renders, so a
// file loads exactly the settings whose levels the Calibration page gives.
// The files record no preset folder (the folder a user installs them to is
// not known here).
//
// usage: make_presets OUTPUT_FOLDER
#include <cstdio>
#include <string>

#include "calibration.h"
#include "settings_format.h"

using namespace kelvane;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_presets OUTPUT_FOLDER\n");
        return 2;
    }
    for (const CalibrationRecipe& recipe : CalibrationRecipes()) {
        g_params.live[0] = recipe.params;
        uint8_t record[kPresetRecordBytes];
        BuildPresetRecord(record, 0);
        const std::string path = std::string(argv[1]) + "/" + recipe.file;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(record, 1, sizeof record, f) != sizeof record || std::fclose(f) != 0) {
            std::fprintf(stderr, "make_presets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
