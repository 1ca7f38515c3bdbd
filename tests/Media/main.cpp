#include "common/TestSupport.h"

#include "ImagesTest.h"
#include "MediaTest.h"
#include "VoiceNoteTest.h"
#include "WeatherCaptureTest.h"

#include "Media/MediaEnvironment.h"

#include <QApplication>

int main(int argc, char** argv)
{
    vsp::test::isolateEnvironment();
    vsp::prepareMediaEnvironment();
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], VoiceNoteTest::kWarmUpChildArgument) == 0) {
        return VoiceNoteTest::reportWarmUpLibraries();
    }
    return vsp::test::runTests(argc, argv,
                               vsp::test::factoriesOf<MediaTest, ImagesTest, WeatherCaptureTest, VoiceNoteTest>());
}
