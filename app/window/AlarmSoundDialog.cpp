#include "AlarmSoundDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>

#include "FileName.h"
#include "TimerAccessible.h"
#include "TimerModel.h"
#include "TimerServices.h"
#include "UnitFmTimerMain.h"
#include "vlmGlobalIniText.h"

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("TAlarmSoundDialog", text);
}

} // namespace

TAlarmSoundDialog::TAlarmSoundDialog(QWidget* parent, TSoundService& sound, int channel, QString defaultFile)
    : QDialog(parent), sound_(sound), channel_(channel), defaultFile_(std::move(defaultFile))
{
    setWindowTitle(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "アラームの音")));
    auto* grid = new QGridLayout(this);
    auto* fileLabel = new QLabel(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "音(&S):")), this);
    FileEdit = new QLineEdit(this);
    FileEdit->setReadOnly(true);
    FileEdit->setMinimumWidth(260);
    fileLabel->setBuddy(FileEdit);
    ChooseButton = new QPushButton(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "選ぶ(&C)...")), this);
    DefaultButton = new QPushButton(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "既定(&D)")), this);
    auto* volumeName = new QLabel(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "音量(&V):")), this);
    VolumeSlider = new QSlider(Qt::Horizontal, this);
    VolumeSlider->setRange(0, TTimerModel::kFullVolume);
    VolumeSlider->setPageStep(10);
    volumeName->setBuddy(VolumeSlider);
    VolumeSlider->setProperty("valueUnit", QStringLiteral("%"));
    VolumeLabel = new QLabel(this);
    PreviewButton = new QPushButton(Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "試聴(&P)")), this);
    ProblemLabel = MakeRefusalLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(FileEdit, 0, 1, 1, 2);
    grid->addWidget(ChooseButton, 1, 1);
    grid->addWidget(DefaultButton, 1, 2);
    grid->addWidget(volumeName, 2, 0);
    grid->addWidget(VolumeSlider, 2, 1);
    grid->addWidget(VolumeLabel, 2, 2);
    grid->addWidget(PreviewButton, 3, 1);
    grid->addWidget(ProblemLabel, 4, 0, 1, 3);
    grid->addWidget(buttons, 5, 0, 1, 3);
    connect(VolumeSlider, &QSlider::valueChanged, this, [this](int value) {
        VolumeLabel->setText(QStringLiteral("%1 %").arg(value));
        VolumeSlider->setAccessibleDescription(VolumeLabel->text());
    });
    connect(ChooseButton, &QPushButton::clicked, this, [this] {
        QString folder = QFileInfo(file_).absolutePath();
        if (file_.isEmpty() || !QFileInfo(folder).isDir())
            folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!QFileInfo(folder).isDir())
            folder = QDir::homePath();
        const QString filters = Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "音")) +
                                QStringLiteral(" (*.wav *.ogg *.oga *.opus *.flac *.mp3);;") +
                                QCoreApplication::translate("TFmTimerMain", "すべてのファイル") + QStringLiteral(" (*)");
        // Modal to this dialog only, and no loop of its own: the other timers'
        // windows stay free while a sound is looked for.
        auto* chooser =
            new QFileDialog(this, Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "アラームの音を選ぶ")), folder, filters);
        chooser->setFileMode(QFileDialog::ExistingFile);
        chooser->setWindowModality(Qt::WindowModal);
        connect(chooser, &QFileDialog::finished, this, [this, chooser](int result) {
            chooser->deleteLater();
            // The keyboard comes back into this dialog, not to the timer window.
            activateWindow();
            ChooseButton->setFocus();
            if (result == QDialog::Accepted && !chooser->selectedFiles().value(0).isEmpty())
                Choose(chooser->selectedFiles().value(0));
        });
        chooser->open();
    });
    connect(DefaultButton, &QPushButton::clicked, this, [this] { Choose(QString()); });
    connect(PreviewButton, &QPushButton::clicked, this, &TAlarmSoundDialog::Preview);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The preview ends with the dialog.
    connect(this, &QDialog::finished, this, [this] { sound_.Stop(channel_); });
    SetChoice(QString(), TTimerModel::kFullVolume);
    NameControlsForScreenReaders(this);
}

void TAlarmSoundDialog::SetChoice(const QString& file, int volume)
{
    file_ = file;
    VolumeSlider->setValue(volume);
    VolumeLabel->setText(QStringLiteral("%1 %").arg(VolumeSlider->value()));
    ShowFile();
}

int TAlarmSoundDialog::Volume() const
{
    return VolumeSlider->value();
}

QString TAlarmSoundDialog::Problem() const
{
    return ProblemLabel->text();
}

void TAlarmSoundDialog::ShowFile()
{
    FileEdit->setText(file_.isEmpty() ? Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog", "timer.wav (既定)"))
                                      : FileName::Shown(file_));
    FileEdit->setCursorPosition(FileEdit->text().size());
    DefaultButton->setEnabled(!file_.isEmpty());
}

void TAlarmSoundDialog::Choose(const QString& file)
{
    // Refused here, not taken and then lost at the next start.
    if (!IniText::StorableValue(file)) {
        ShowRefusal(ProblemLabel, Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog",
                                                       "名前に改行のあるファイルは設定に残せないため、選べません")));
        return;
    }
    file_ = file;
    ShowFile();
    ShowRefusal(ProblemLabel, QString());
    // Told at once, not at the alarm: a silent try decodes what it can.
    if (!file_.isEmpty())
        Check(0);
}

bool TAlarmSoundDialog::Check(int volume)
{
    const QString file = file_.isEmpty() ? defaultFile_ : file_;
    QString why;
    const bool playable = sound_.Play(file, volume, channel_, &why);
    if (volume == 0)
        sound_.Stop(channel_);
    ShowRefusal(ProblemLabel, playable ? QString()
                                       : Tr(QT_TRANSLATE_NOOP("TAlarmSoundDialog",
                                                              "この音は鳴らせません (%1)。アラームでは timer.wav が鳴ります"))
                                             .arg(why));
    return playable;
}

void TAlarmSoundDialog::Preview()
{
    Check(Volume());
}
