#pragma once

// The wizard's fixed page ids; each page names its successor.
namespace WizardPageIds {
constexpr int kIntro = 0;
constexpr int kLicence = 1;
constexpr int kConnect = 2;
constexpr int kPhotos = 3;
constexpr int kMusic = 4;
constexpr int kPodcasts = 5;
constexpr int kConvert = 6;
constexpr int kBackup = 7;
constexpr int kConclusion = 9;
} // namespace WizardPageIds
