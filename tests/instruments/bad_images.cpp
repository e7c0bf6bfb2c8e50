// bad_images: writes every car image the start-up must refuse as ROOT/NAME/Data/Textures/Car.bmp,
// and the two that are no file (ROOT/missing, ROOT/folder), for the shell tests; prints the
// names, one a line. Exit status 1 if it cannot write them.
//
//   bad_images ROOT

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "art/Bmp.h"
#include "tests/instruments/BadImages.h"

namespace
{
/// ROOT/NAME/Data/Textures, made; false if it cannot be.
bool MakeTextures(const std::string& root, const std::string& name, std::string& folder)
{
    folder = root;
    for (const std::string& part : {name, std::string("Data"), std::string("Textures")})
    {
        folder += "/" + part;
        mkdir(folder.c_str(), 0755);
    }
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: bad_images ROOT\n");
        return 2;
    }
    const std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    std::string folder;
    bool made = MakeTextures(root, "missing", folder); // Data/Textures, and no Car.bmp in it
    std::puts("missing");
    made = made && MakeTextures(root, "folder", folder) && mkdir((folder + "/Car.bmp").c_str(), 0755) == 0;
    std::puts("folder");
    for (const BadImage& image : BadImages())
    {
        made = made && MakeTextures(root, image.name, folder) &&
               WriteFileBytes((folder + "/Car.bmp").c_str(), image.bytes);
        std::puts(image.name);
    }
    if (!made)
        std::fprintf(stderr, "bad_images: cannot write below %s\n", root.c_str());
    return made ? 0 : 1;
}
