// What the window's tests check of a finished job on disk.
#pragma once

#include "support/frameindex.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// The job's pictures Name_0.jpg … Name_<Count - 1>.jpg in Folder are of Size and show frames 0, Step,
// 2 Step, … by the index each frame carries.
inline void ExpectPicturesOfFrames(const std::filesystem::path& Folder, const std::string& Name, int Count, int Step,
                                   QSize Size)
{
    for (int i = 0; i < Count; ++i) {
        const std::filesystem::path file = Folder / (Name + "_" + std::to_string(i) + ".jpg");
        QImage picture(QString::fromStdString(file.string()));
        ASSERT_FALSE(picture.isNull()) << "piece " << i;
        picture = picture.convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(picture.size(), Size);
        EXPECT_EQ(ReadFrameIndex(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(), 3),
                  i * Step)
            << "piece " << i;
    }
}
