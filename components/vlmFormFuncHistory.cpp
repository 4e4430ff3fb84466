#include "vlmFormFunc.h"

#include "vlmGraphicSource.h"

#include <QWidget>

#include <utility>

void TvlmFormFunc::SetBackground(const QString& name)
{
    if (!owner_)
        return;
    TBackImages* const history = BackImagesInUse();
    if (!history)
        throw EFormFuncError("TvlmFormFunc.SetBackground: No background history");
    // A loader error leaves from here, before anything of the window or the
    // history changed.
    history->LoadBackground(name);
    // Taken out of the history: the window keeps its own copy, so the loaded
    // picture, which may be large, goes at the end whether shown or refused.
    TBitmap picture = std::move(history->Picture());
    refuseInvisible(picture, name);
    ApplyBackground(picture, owner_->x(), owner_->y());
    // Only a picture that is shown enters the history.
    history->Remember(name);
}

TBackImages* TvlmFormFunc::BackImagesInUse() const
{
    return backImages_ ? backImages_ : BackImages;
}
