#pragma once

class DirListBox;
class DriveListBox;

/// Points a folder list at the drive now chosen: at the process's current folder when that
/// drive holds it, otherwise at the drive's root. When the drive cannot be read (no medium),
/// the folder list keeps its folder and the chooser shows that folder's drive again.
void FollowDrive(DriveListBox& drives, DirListBox& folders);
