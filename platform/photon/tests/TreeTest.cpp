// Trees as the playlist editor works them: folders filled when first expanded, entries added
// after others, removed and freed, images by index, double clicks; and text verification.
#include "PhotonFixture.h"

#include <cctype>
#include <cstring>

namespace photon::testing {
namespace {

using namespace photon::test;

int fills;
int FillFolder(PtWidget_t* tree, void*, PtCallbackInfo_t* info)
{
    auto* cb = static_cast<PtTreeCallback_t*>(info->cbdata);
    if (info->reason_subtype != Pt_TREE_EXPANDING || cb->item->son) return Pt_CONTINUE;
    ++fills;
    PtTreeItem_t* first = PtTreeAllocItem(tree, "file:///a.mp3\tA", 3, 3);
    PtTreeAddFirst(tree, first, cb->item);
    PtTreeAddAfter(tree, PtTreeAllocItem(tree, "file:///b.mp3\tB", 3, 3), first);
    return Pt_CONTINUE;
}

std::vector<unsigned short> clicks;
std::vector<std::string> chosen;
int OnChoose(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* cb = static_cast<PtTreeCallback_t*>(info->cbdata);
    chosen.push_back(cb->item->string);
    clicks.push_back(info->event->data.pointer.click_count);
    return Pt_CONTINUE;
}

std::vector<std::string> Level(PtTreeItem_t* first)
{
    std::vector<std::string> out;
    for (PtTreeItem_t* s = first; s; s = s->brother) out.push_back(s->string);
    return out;
}

TEST_F(PhotonTest, TreeFoldersFillWhenExpandedAndItemsMove)
{
    OpenTestWindow();
    PtWidget_t* tree = Find("playlist");
    ASSERT_TRUE(PtWidgetIsClass(tree, PtTree));
    fills = 0;
    PtAddCallback(tree, Pt_CB_TREE_STATE, FillFolder, nullptr);

    PtTreeItem_t* one = PtTreeAllocItem(tree, "Playlist1", 0, 1);
    one->flags |= Pt_TREE_ITEM_EXPANDABLE;
    ASSERT_EQ(PtTreeAddFirst(tree, one, nullptr), 0);
    PtTreeItem_t* two = PtTreeAllocItem(tree, "Jazz", 0, 1);
    two->flags |= Pt_TREE_ITEM_EXPANDABLE;
    ASSERT_EQ(PtTreeAddAfter(tree, two, one), 0);
    EXPECT_EQ(Level(PtTreeRootItem(tree)), (std::vector<std::string>{"Playlist1", "Jazz"}));
    EXPECT_EQ(two->son, nullptr);

    // The program's state callback fills a folder on its first expansion, once.
    ASSERT_EQ(PtTreeExpand(tree, two, nullptr), 0);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(Level(two->son), (std::vector<std::string>{"file:///a.mp3\tA", "file:///b.mp3\tB"}));
    EXPECT_TRUE(two->flags & Pt_TREE_ITEM_EXPANDED);
    EXPECT_EQ(two->son->father, two);
    PtTreeCollapse(tree, two, nullptr);
    EXPECT_FALSE(two->flags & Pt_TREE_ITEM_EXPANDED);
    PtTreeExpand(tree, two, nullptr);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(Log().size(), 3u);  // the module's own state callback saw all three

    // Current item, removal and re-adding elsewhere, renaming.
    PtTreeGoto(tree, two->son->brother);
    EXPECT_STREQ(PtTreeGetCurrent(tree)->string, "file:///b.mp3\tB");
    PtTreeItem_t* cut = PtTreeRemoveItem(tree, two->son);
    EXPECT_EQ(Level(two->son), (std::vector<std::string>{"file:///b.mp3\tB"}));
    EXPECT_EQ(cut->father, nullptr);
    EXPECT_EQ(cut->brother, nullptr);
    ASSERT_EQ(PtTreeAddFirst(tree, cut, one), 0);
    EXPECT_EQ(Level(one->son), (std::vector<std::string>{"file:///a.mp3\tA"}));
    PtTreeModifyItemString(tree, one, "Rock");
    EXPECT_STREQ(PtTreeRootItem(tree)->string, "Rock");

    PtTreeItem_t* gone = PtTreeRemoveItem(tree, two);
    EXPECT_EQ(Level(PtTreeRootItem(tree)), (std::vector<std::string>{"Rock"}));
    PtTreeFreeItems(gone);
    PtTreeFreeAllItems(tree);
    EXPECT_EQ(PtTreeRootItem(tree), nullptr);
}

TEST_F(PhotonTest, TreeImagesAndDoubleClicks)
{
    OpenTestWindow();
    PtWidget_t* tree = Find("playlist");
    std::string path = ::testing::TempDir() + "icon.gif";
    ASSERT_EQ(system(("convert -size 8x8 xc:'#FFCC00' '" + path + "'").c_str()), 0);
    PhImage_t* icon = PxLoadImage(path.c_str(), nullptr);
    ASSERT_NE(icon, nullptr);
    const PhImage_t* images[] = {icon, icon};
    EXPECT_EQ(PtSetResource(tree, Pt_ARG_TREE_IMAGES, images, 2), 0);
    PhReleaseImage(icon);
    free(icon);

    PtTreeItem_t* a = PtTreeAllocItem(tree, "first", 0, 1);
    PtTreeItem_t* b = PtTreeAllocItem(tree, "second", 0, 1);
    PtTreeAddFirst(tree, a, nullptr);
    PtTreeAddAfter(tree, b, a);
    clicks.clear();
    chosen.clear();
    PtAddCallback(tree, Pt_CB_TREE_SELECTION, OnChoose, nullptr);
    RunUntilIdle();

    // Rows of a tree are rows of its view: the driver taps them like list rows.
    SelectRow(tree, 2);
    SelectRow(tree, 2);
    AdvanceClock(1000);
    SelectRow(tree, 2);
    SelectRow(tree, 1);
    EXPECT_EQ(chosen, (std::vector<std::string>{"second", "second", "second", "first"}));
    EXPECT_EQ(clicks, (std::vector<unsigned short>{1, 2, 1, 1}));
    EXPECT_STREQ(PtTreeGetCurrent(tree)->string, "first");
}

int OnlyNameCharacters(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* cb = static_cast<PtTextCallback_t*>(info->cbdata);
    for (int i = 0; i < cb->length; ++i) {
        unsigned char c = static_cast<unsigned char>(cb->text[i]);
        if (!isalnum(c) && !strchr(" -_()", c)) cb->doit = 0;
    }
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, TextChangesTheProgramRefusesDoNotHappen)
{
    OpenTestWindow();
    PtWidget_t* text = Find("SaveFileText");
    PtAddCallback(text, Pt_CB_MODIFY_VERIFY, OnlyNameCharacters, nullptr);
    TypeText(text, "My list/1 (old)");
    EXPECT_EQ(Text(text), "My list1 (old)");
    PtSetResource(text, Pt_ARG_TEXT_STRING, "a/b", 0);  // the program's own text is not verified
    EXPECT_EQ(Text(text), "a/b");
}

TEST_F(PhotonTest, ReturnOnAListActivatesTheSelectedRow)
{
    OpenTestWindow();
    PtWidget_t* list = Find("PlayList");
    const char* items[] = {"one", "two"};
    PtListAddItems(list, items, 2, 0);
    PtAddCallback(list, Pt_CB_ACTIVATE, cbRecord, nullptr);
    SelectRow(list, 2);
    SelectRow(list, 2);
    ASSERT_EQ(Log().size(), 4u);
    Log().clear();
    Key(list, Pk_Return);
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log().back().reason, Pt_CB_ACTIVATE);
}

}  // namespace
}  // namespace photon::testing
