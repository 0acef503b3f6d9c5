#include "sprite/Log.h"

namespace tavik::sprite {

Q_LOGGING_CATEGORY(lcSprite, "tavik.sprite", QtWarningMsg)

} // namespace tavik::sprite
