#include "ui/OutputSettingsForm.h"

#include "profiles/OutputChecks.h"
#include "profiles/ProfileCheck.h"
#include "profiles/ProfileContents.h"
#include "ui/DialogKeys.h"
#include "ui/MessageBoxPrompter.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr int BoxHeight = 21;

QLabel* PlacedLabel(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The label ends just before its box, at the box's height: the desktop's font is wider
// than the one the places were measured for, and a label must not run under its box.
void AlignBefore(QLabel* label, const QWidget* box)
{
    label->adjustSize();
    label->move(box->x() - 3 - label->width(), box->y() + (box->height() - label->height()) / 2);
}

// A selected position as the profile lists know it: -1 for none.
void Select(QComboBox* box, int position)
{
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(position >= 0 && position < box->count() ? position : -1);
    if (box->isEditable() && box->currentIndex() < 0)
        box->setEditText(QString());
}

void SetText(QComboBox* box, const QString& text)
{
    const QSignalBlocker quiet(box);
    box->setEditText(text);
}

}

TopSettingForm::TopSettingForm(QWidget* mainWindow, Prompter* prompter)
    : MainWindowDialog(mainWindow)
    , m_ownPrompter(prompter ? nullptr : std::make_unique<MessageBoxPrompter>(this))
    , m_prompter(prompter ? prompter : m_ownPrompter.get())
{
    setWindowTitle("Output Settings");
    setFixedSize(413, 503);
    QFont compact = font();
    compact.setPixelSize(11);
    setFont(compact);

    Label1 = PlacedLabel(this, "Video Codec: ", 16, 27);
    cmbVcodec = settingBox(ProfileSection::VideoCodec, this, 87, 24, 303, false);
    Label4 = PlacedLabel(this, "Video Bitrate:", 20, 60);
    cmbVbitrate = settingBox(ProfileSection::VideoBitrate, this, 87, 56, 96, true);
    Label10 = PlacedLabel(this, "kbit", 185, 60);
    Label2 = PlacedLabel(this, "Aspect:", 225, 60);
    cmbAspect = settingBox(ProfileSection::Aspect, this, 268, 56, 120, false);

    gpbOutputSize = new QGroupBox("Output Size", this);
    gpbOutputSize->setGeometry(12, 94, 381, 105);
    rdbSelectSize = new QRadioButton(gpbOutputSize);
    rdbSelectSize->move(16, 29);
    rdbSelectSize->setChecked(true);
    cmbVideoSize = settingBox(ProfileSection::VideoSize, gpbOutputSize, 48, 26, 297, false);
    rdbManualSize = new QRadioButton("Manual", gpbOutputSize);
    rdbManualSize->move(16, 66);
    Label3 = PlacedLabel(gpbOutputSize, "Width:", 88, 68);
    edtWidth = new QLineEdit(gpbOutputSize);
    edtWidth->setGeometry(128, 65, 70, BoxHeight);
    Label8 = PlacedLabel(gpbOutputSize, "Height:", 237, 68);
    edtHeight = new QLineEdit(gpbOutputSize);
    edtHeight->setGeometry(275, 65, 70, BoxHeight);

    Label5 = PlacedLabel(this, "Audio Codec:", 19, 220);
    cmbAcodec = settingBox(ProfileSection::AudioCodec, this, 87, 216, 306, false);

    panLavc = new QWidget(this);
    panLavc->setGeometry(6, 251, 200, 50);
    Label6 = PlacedLabel(panLavc, "Audio Bitrate:", 12, 15);
    cmbAbitrate = settingBox(ProfileSection::AudioBitrate, panLavc, 79, 12, 112, true);
    Label12 = PlacedLabel(panLavc, "Kbps", 192, 15);

    panMP3 = new QWidget(this);
    panMP3->setGeometry(208, 251, 200, 50);
    labVBR = PlacedLabel(panMP3, "Encode To:", 16, 15);
    cmbEncodeTo = settingBox(ProfileSection::Mp3Encode, panMP3, 79, 12, 113, false);
    labQuality = PlacedLabel(panMP3, "Quality:", 207, 15);
    cmbQuality = settingBox(ProfileSection::VbrQuality, panMP3, 248, 12, 113, false);
    labBitrate = PlacedLabel(panMP3, "Bitrate:", 210, 42);
    labBitrate->hide();
    cmbBitrate = settingBox(ProfileSection::AbrCbrBitrate, panMP3, 248, 38, 113, true);
    cmbBitrate->hide();

    Label9 = PlacedLabel(this, "Channels:", 33, 307);
    cmbChannels = settingBox(ProfileSection::Channels, this, 84, 304, 130, false);
    Label7 = PlacedLabel(this, "Sample Rate:", 227, 306);
    cmbSrate = settingBox(ProfileSection::SampleRate, this, 294, 303, 81, true);
    Label11 = PlacedLabel(this, "HZ", 378, 307);

    // Not a list of the profile's: the same two choices in every profile.
    labTracks = PlacedLabel(this, "Tracks:", 40, 337);
    cmbTracks = new QComboBox(this);
    cmbTracks->setGeometry(84, 334, 309, BoxHeight);
    cmbTracks->addItems({"all the files hold", "the first picture and sound only"});
    cmbTracks->setToolTip("The sound tracks, subtitles and attached files the output keeps");
    cmbTracks->installEventFilter(this);
    connect(cmbTracks, &QComboBox::currentIndexChanged, this, &TopSettingForm::showTracksDescription);

    gpbDecription = new QGroupBox("Decription", this);
    gpbDecription->setGeometry(16, 366, 377, 90);
    memDescription = new QPlainTextEdit(gpbDecription);
    memDescription->setGeometry(7, 17, 362, 67);
    memDescription->setReadOnly(true);
    memDescription->setFrameShape(QFrame::NoFrame);
    memDescription->setBackgroundRole(QPalette::Window);
    memDescription->viewport()->setAutoFillBackground(false);

    btnOK = new QPushButton("OK", this);
    btnOK->setGeometry(208, 467, 75, 25);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setGeometry(304, 467, 75, 25);
    // Neither button answers Enter or Escape.
    for (QPushButton* button : {btnOK, btnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(btnOK, &QPushButton::clicked, this, &TopSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TopSettingForm::btnCancelClick);
    AcceptDialogKeys(this, btnOK, btnCancel);

    QWidget* order[] = {cmbVcodec, cmbVbitrate, cmbAspect, rdbSelectSize, cmbVideoSize, rdbManualSize, edtWidth,
                        edtHeight, cmbAcodec, cmbAbitrate, cmbEncodeTo, cmbQuality, cmbBitrate, cmbChannels,
                        cmbSrate, cmbTracks, memDescription, btnOK, btnCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    FormCreate();
}

TopSettingForm::~TopSettingForm() = default;

void TopSettingForm::FormCreate()
{
    // The MP3 panel's two lists share one place, and so do the two panels.
    labBitrate->move(labBitrate->x(), labQuality->y());
    cmbBitrate->move(cmbBitrate->x(), cmbQuality->y());
    panLavc->resize(377, panLavc->height());
    panMP3->setGeometry(panLavc->x(), panMP3->y(), 377, panMP3->height());
    const std::pair<QLabel*, QWidget*> labelled[] = {
        {Label1, cmbVcodec},     {Label4, cmbVbitrate},    {Label2, cmbAspect},  {Label3, edtWidth},
        {Label8, edtHeight},     {Label5, cmbAcodec},      {Label6, cmbAbitrate}, {labVBR, cmbEncodeTo},
        {labQuality, cmbQuality}, {labBitrate, cmbBitrate}, {Label9, cmbChannels}, {Label7, cmbSrate},
        {labTracks, cmbTracks}};
    for (const auto& [label, box] : labelled)
        AlignBefore(label, box);

    // The rows' first labels share their left edge and their boxes theirs, in whichever
    // panel they stand; each box keeps its right edge.
    const std::pair<QLabel*, QWidget*> firstInRow[] = {{Label1, cmbVcodec}, {Label4, cmbVbitrate},
                                                      {Label5, cmbAcodec}, {Label6, cmbAbitrate},
                                                      {labVBR, cmbEncodeTo}, {Label9, cmbChannels},
                                                      {labTracks, cmbTracks}};
    constexpr int ColumnLeft = 16;
    int labelWidth = 0;
    for (const auto& [label, box] : firstInRow)
        labelWidth = std::max(labelWidth, label->width());
    for (const auto& [label, box] : firstInRow) {
        const int origin = box->parentWidget()->mapTo(this, QPoint(0, 0)).x();
        const int boxLeft = ColumnLeft + labelWidth + 3 - origin;
        box->setGeometry(boxLeft, box->y(), box->geometry().right() + 1 - boxLeft, box->height());
        label->move(ColumnLeft - origin, label->y());
    }
}

QComboBox* TopSettingForm::settingBox(ProfileSection section, QWidget* parent, int left, int top, int width,
                                      bool editable)
{
    auto* box = new QComboBox(parent);
    box->setEditable(editable);
    box->setGeometry(left, top, width, BoxHeight);
    // The hint names the profile section that describes the setting.
    box->setToolTip(SectionName(section));
    box->setProperty("section", static_cast<int>(section));
    box->installEventFilter(this);
    if (box->lineEdit())
        box->lineEdit()->installEventFilter(this);

    if (section == ProfileSection::AudioCodec)
        connect(box, &QComboBox::currentIndexChanged, this, &TopSettingForm::cmbAcodecChange);
    else if (section == ProfileSection::Mp3Encode)
        connect(box, &QComboBox::currentIndexChanged, this, &TopSettingForm::cmbEncodeToChange);
    else if (editable)
        connect(box, &QComboBox::editTextChanged, this, [this, box] { cmbVcodecChange(box); });
    else
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] { cmbVcodecChange(box); });
    return box;
}

QComboBox* TopSettingForm::boxFor(ProfileSection section) const
{
    switch (section) {
    case ProfileSection::VideoCodec:
        return cmbVcodec;
    case ProfileSection::VideoSize:
        return cmbVideoSize;
    case ProfileSection::VideoBitrate:
        return cmbVbitrate;
    case ProfileSection::Aspect:
        return cmbAspect;
    case ProfileSection::AudioCodec:
        return cmbAcodec;
    case ProfileSection::Mp3Encode:
        return cmbEncodeTo;
    case ProfileSection::VbrQuality:
        return cmbQuality;
    case ProfileSection::AbrCbrBitrate:
        return cmbBitrate;
    case ProfileSection::AudioBitrate:
        return cmbAbitrate;
    case ProfileSection::SampleRate:
        return cmbSrate;
    case ProfileSection::Channels:
        return cmbChannels;
    }
    return nullptr;
}

void TopSettingForm::LoadProfile(const QString& path)
{
    const std::optional<ProfileContents> contents = ReadProfile(path);
    if (!contents)
        return;
    if (const std::optional<ProfileRefusal> refusal = CheckProfile(path, InitialChoices(*contents))) {
        m_prompter->warn(refusal->caption, refusal->text);
        return;
    }
    ProfilePath = path;
    OutputExt = "." + contents->type;
    cmbTracks->setCurrentIndex(contents->tracks == TrackChoice::First ? 1 : 0);
    for (ProfileSection section : AllProfileSections) {
        QComboBox* box = boxFor(section);
        {
            const QSignalBlocker quiet(box);
            box->clear();
            box->addItems(contents->list(section).captions);
        }
        Select(box, contents->list(section).index);
        if (section == ProfileSection::AudioCodec)
            cmbAcodecChange();
        if (section == ProfileSection::Mp3Encode)
            cmbEncodeToChange();
    }
}

OutputChoices TopSettingForm::choices() const
{
    OutputChoices choices;
    choices.videoCodec = cmbVcodec->currentIndex();
    choices.videoBitrate = cmbVbitrate->currentText();
    choices.aspect = cmbAspect->currentIndex();
    choices.selectSize = rdbSelectSize->isChecked();
    choices.videoSize = cmbVideoSize->currentIndex();
    choices.width = edtWidth->text();
    choices.height = edtHeight->text();
    choices.audioCodec = cmbAcodec->currentIndex();
    choices.audioCodecCaption = cmbAcodec->currentText();
    choices.audioBitrate = cmbAbitrate->currentText();
    choices.encodeTo = cmbEncodeTo->currentIndex();
    choices.quality = cmbQuality->currentIndex();
    choices.mp3Bitrate = cmbBitrate->currentIndex();
    choices.channels = cmbChannels->currentIndex();
    choices.sampleRate = cmbSrate->currentText();
    choices.tracks = cmbTracks->currentIndex() == 1 ? TrackChoice::First : TrackChoice::All;
    return choices;
}

void TopSettingForm::showDescription(QComboBox* box)
{
    const auto section = static_cast<ProfileSection>(box->property("section").toInt());
    memDescription->setPlainText(DescribeSetting(ProfilePath, section, box->currentText()));
}

void TopSettingForm::showTracksDescription()
{
    memDescription->setPlainText("Every sound track, subtitle and attached file the files hold, or only the first "
                                 "picture and sound. Kept in the profile.\nCurrent Value: "
                                 + cmbTracks->currentText());
}

void TopSettingForm::cmbVcodecEnter(QComboBox* box)
{
    showDescription(box);
}

void TopSettingForm::cmbVcodecChange(QComboBox* box)
{
    showDescription(box);
}

void TopSettingForm::cmbAcodecChange()
{
    const bool mp3 = cmbAcodec->currentText() == "MP3";
    panMP3->setVisible(mp3);
    panLavc->setVisible(!mp3);
    showDescription(cmbAcodec);
}

void TopSettingForm::cmbEncodeToChange()
{
    const bool variable = cmbEncodeTo->currentIndex() == 0;
    labQuality->setVisible(variable);
    cmbQuality->setVisible(variable);
    labBitrate->setVisible(!variable);
    cmbBitrate->setVisible(!variable);
    showDescription(cmbEncodeTo);
}

void TopSettingForm::FormShow()
{
    SavedValues = {cmbVcodec->currentIndex(), cmbVbitrate->currentText(), cmbAspect->currentIndex(),
                   rdbSelectSize->isChecked(),  cmbVideoSize->currentIndex(), rdbManualSize->isChecked(),
                   edtWidth->text(),            edtHeight->text(),           cmbAcodec->currentIndex(),
                   cmbAbitrate->currentText(),  cmbEncodeTo->currentIndex(), cmbQuality->currentIndex(),
                   cmbBitrate->currentText(),   cmbChannels->currentIndex(), cmbSrate->currentText(),
                   cmbTracks->currentIndex()};
}

void TopSettingForm::restoreSavedValues()
{
    Select(cmbVcodec, SavedValues[0].toInt());
    SetText(cmbVbitrate, SavedValues[1].toString());
    Select(cmbAspect, SavedValues[2].toInt());
    rdbSelectSize->setChecked(SavedValues[3].toBool());
    Select(cmbVideoSize, SavedValues[4].toInt());
    rdbManualSize->setChecked(SavedValues[5].toBool());
    edtWidth->setText(SavedValues[6].toString());
    edtHeight->setText(SavedValues[7].toString());
    Select(cmbAcodec, SavedValues[8].toInt());
    SetText(cmbAbitrate, SavedValues[9].toString());
    Select(cmbEncodeTo, SavedValues[10].toInt());
    Select(cmbQuality, SavedValues[11].toInt());
    SetText(cmbBitrate, SavedValues[12].toString());
    Select(cmbChannels, SavedValues[13].toInt());
    SetText(cmbSrate, SavedValues[14].toString());
    cmbTracks->setCurrentIndex(SavedValues[15].toInt());
}

void TopSettingForm::btnOKClick()
{
    const std::optional<OutputCheckFailure> failure = CheckOutputChoices(choices());
    if (!failure) {
        // The tracks choice is the profile's own, kept in its file for the next run.
        const std::optional<QString> unsaved
            = ProfilePath.isEmpty() ? std::nullopt : StoreTrackChoice(ProfilePath, choices().tracks);
        if (unsaved)
            m_prompter->warn("Profile Not Saved", *unsaved + "\nThe choice holds until the profile is loaded again.");
        close();
        return;
    }
    m_prompter->inform(failure->caption, failure->text);
    if (failure->setAudioBitrateTo128)
        SetText(cmbAbitrate, "128");
    switch (failure->focus) {
    case OutputCheckFocus::VideoBitrate:
        cmbVbitrate->setFocus();
        break;
    case OutputCheckFocus::Width:
        edtWidth->setFocus();
        break;
    case OutputCheckFocus::Height:
        edtHeight->setFocus();
        break;
    case OutputCheckFocus::SampleRate:
        cmbSrate->setFocus();
        break;
    case OutputCheckFocus::AudioBitrate:
        cmbAbitrate->setFocus();
        break;
    }
}

void TopSettingForm::btnCancelClick()
{
    close();
    if (SavedValues.size() != 16)
        return;
    restoreSavedValues();
    cmbAcodecChange();
    cmbEncodeToChange();
}

bool TopSettingForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == cmbTracks) {
        showTracksDescription();
    } else if (event->type() == QEvent::FocusIn) {
        auto* box = qobject_cast<QComboBox*>(watched);
        if (!box && watched->parent())
            box = qobject_cast<QComboBox*>(watched->parent());
        if (box && box->property("section").isValid())
            cmbVcodecEnter(box);
    }
    return QWidget::eventFilter(watched, event);
}
