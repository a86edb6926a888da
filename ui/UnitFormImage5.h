// Loading the window's pictures from the program's resources, and swapping
// button faces with the mouse state. Paths below "res\" only name a resource:
// nothing is read from disk.
#pragma once
#include <string>

#include "ui/Control.h"

namespace ui {

class TfrmSpeedInstall;

// The file-name part of the path without its extension, in upper case.
std::string ResourceNameFromPath(const std::string& path);

// The window's picture control of that name (compared without regard to case).
Picture* FindImage(const TfrmSpeedInstall& form, const std::string& name);

void LoadPngResource(const std::string& resourceName, Picture* picture);
void LoadPngImage(const std::string& path, Picture* picture);
void LoadGifResource(const std::string& resourceName, Picture* picture);
void LoadGifImage(const std::string& path, Picture* picture);

// Gives every picture control that carries an image key its picture.
void LoadFormImages(TfrmSpeedInstall& form);

// state: "normal", "hover" or "down".
void SetButtonFace(TfrmSpeedInstall& form, const std::string& faceName, const std::string& state);

// Where LoadPngResource and LoadGifResource get their pictures: the host of
// the window being shown.
void SetImageSource(class Host* host);

}  // namespace ui
