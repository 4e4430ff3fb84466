#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TSoundService;

// The alarm sound of one timer: a sound file (or the program's timer.wav),
// its volume, a button that plays it once at that volume, and "Default".
// A file that cannot be played is told here, at once.
class TAlarmSoundDialog : public QDialog {
    Q_OBJECT

public:
    // `sound` plays the previews on `channel`; `defaultFile` is timer.wav.
    TAlarmSoundDialog(QWidget* parent, TSoundService& sound, int channel, QString defaultFile);

    void SetChoice(const QString& file, int volume);
    QString File() const { return file_; }
    int Volume() const;
    // What the dialog last told of the file ("" when it can be played).
    QString Problem() const;

    // Takes a file as if chosen in the file dialog; tests call it.
    void Choose(const QString& file);
    void Preview();

    QLineEdit* FileEdit = nullptr;
    QPushButton* ChooseButton = nullptr;
    QPushButton* DefaultButton = nullptr;
    QSlider* VolumeSlider = nullptr;
    QLabel* VolumeLabel = nullptr;
    QPushButton* PreviewButton = nullptr;
    QLabel* ProblemLabel = nullptr;

private:
    void ShowFile();
    bool Check(int volume);

    TSoundService& sound_;
    int channel_;
    QString defaultFile_;
    QString file_;
};
