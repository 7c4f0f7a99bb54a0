// Slideshow pictures collected from a folder tree.

#include "core/BuildFileList.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/tests/PluginTestBed.h"
#include "windows/FileSystemObject.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

TEST(BuildFileList, PicturesOfTheTreeDepthFirstWithoutFollowingLinkedFolders) {
    PluginTestBed bed;
    bed.app.write("Pics/a.jpg", "x");
    bed.app.write("Pics/b.tif", "x");
    bed.app.write("Pics/c.gif", "x");
    bed.app.write("Pics/jpg", "x");  // a name of three characters
    bed.app.write("Pics/Sub/d.JPEG", "x");
    bed.app.write("Pics/Sub/e.bmp", "x");
    bed.app.write("Elsewhere/f.jpg", "x");
    // A link back up the tree and one to another folder: neither is walked.
    std::filesystem::create_directory_symlink(bed.app.path() / "Pics", bed.app.path() / "Pics/Sub/Loop");
    std::filesystem::create_directory_symlink(bed.app.path() / "Elsewhere", bed.app.path() / "Pics/Other");
    bed.state.settings.jpg = true;
    bed.state.settings.bmp = true;

    const std::string base = bed.host->GetAppPath() + "\\pics";
    PictureList list;
    BuildFileList(bed.state, windows::FileSystemObject().GetFolder(base), "server", base, list);
    EXPECT_EQ(list.files, (Strings{"\\a.jpg", "\\Sub\\d.JPEG", "\\Sub\\e.bmp"}));
    EXPECT_EQ(list.widths, (std::vector<int32_t>{-1, -1, -1}));
    EXPECT_EQ(list.heights, (std::vector<int32_t>{-1, -1, -1}));
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
