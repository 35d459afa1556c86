// Pictures whose header states no pixels or ten billion: the image element shows nothing, no
// message appears, and no pixel memory is taken -- with the headless loader and with the
// program's own.

#include "elements/ImageElement.h"
#include "platform/qt/QtPictureLoader.h"
#include "tests/bad/BadInputTest.h"
#include "tests/bad/CountingAllocator.h"

namespace chordlane::test {
namespace {

TEST_F(BadInputTest, PicturesOfNoPixelsOrTenBillionLoadAsNoPicture) {
    for (const char* file :
         {"picture-0x0.bmp", "picture-100000x100000.bmp", "picture-100000x100000.png"}) {
        CopyBad(file);
    }
    QtPictureLoader qtLoader;
    for (PictureLoader* loader : {platform_.pictures.get(), static_cast<PictureLoader*>(&qtLoader)}) {
        Platform services = CurrentPlatform();
        services.pictures = loader;
        InstallPlatform(services);
        Load(WriteInstrument("main.clx",
                             "gi a picture-0x0.bmp 0 0 10 10\n"
                             "gi b picture-100000x100000.bmp 0 0 10 10\n"
                             "gi c picture-100000x100000.png 0 0 10 10\n"));
        ExpectBoundedLoad();
        for (const char16_t* name : {u"a", u"b", u"c"}) {
            auto* image = dynamic_cast<ImageElement*>(Find(name));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->GetBitmap(), nullptr) << ToUtf8(name);
        }
        EXPECT_TRUE(Messages().empty());
    }
}

// Found by fuzzing: the GIF reader told a size of 256 x 38 and then read 19778 x 38, past the
// side bound that the size it tells is checked against.
TEST_F(BadInputTest, PicturesOtherThanBitmapsAndPngDoNotLoad) {
    CopyBad("picture-gif-wider-than-it-says.gif");
    const String path = TempFolder() + u"picture-gif-wider-than-it-says.gif";
    QtPictureLoader qtLoader;
    EXPECT_EQ(qtLoader.LoadFile(path), nullptr);
    EXPECT_EQ(platform_.pictures->LoadFile(path), nullptr);
}

}  // namespace
}  // namespace chordlane::test
