// Replaced by the windows of this folder.
