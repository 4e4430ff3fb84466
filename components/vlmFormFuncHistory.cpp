#include "vlmFormFunc.h"

#include "vlmGraphicSource.h"

#include <QWidget>

void TvlmFormFunc::SetBackground(const QString& name)
{
    if (!owner_)
        return;
    if (!BackImages)
        throw EFormFuncError("TvlmFormFunc.SetBackground: No background history");
    // A loader error leaves from here, before anything of the window changed.
    BackImages->SelectBackground(name);
    TBitmap& picture = BackImages->Picture();
    // The window keeps its own copy: the loaded picture, which may be large,
    // is let go whether it was shown or refused.
    try {
        refuseInvisible(picture, name);
        ApplyBackground(picture, owner_->x(), owner_->y());
    } catch (...) {
        picture = TBitmap();
        throw;
    }
    picture = TBitmap();
}
