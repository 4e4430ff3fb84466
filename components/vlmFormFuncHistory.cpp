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
    refuseInvisible(picture, name);
    ApplyBackground(picture, owner_->x(), owner_->y());
}
