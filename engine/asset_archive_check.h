// The game cannot run without its data: start-up ends it with a message.
#pragma once

// Called by start-up after openAssetArchive: when the archive is missing or
// holds no assets (the game started from another folder), logs the message
// naming the path looked for, shows it in a message box and exits with a
// failure status. Returns when there are assets.
void endIfAssetArchiveMissing();
