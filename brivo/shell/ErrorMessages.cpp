#include "shell/ErrorMessages.h"

#include <QMessageBox>

namespace brivo {

namespace {
const QString kCaption = QStringLiteral("오류");
}  // namespace

QString NotAnIntegerText() { return QStringLiteral("정수를 입력하십시오."); }

QString GlyphSizeText() {
    return QStringLiteral("폰트 사이즈는 1에서 256 사이의 정수를 입력하십시오.");
}

QString SkipBytesText() {
    return QStringLiteral("Skip Bytes는 0에서 65536 사이의 정수를 입력하십시오.");
}

QString ErrorText(const Result& failure) {
    const QString file = QString::fromStdString(failure.subject);
    switch (failure.kind) {
        case ErrorKind::NoRange:
            return QStringLiteral("추출할 코드 범위가 비어 있습니다.");
        case ErrorKind::UnknownRange:
            return QStringLiteral("알 수 없는 코드 범위입니다.");
        case ErrorKind::GlyphSize:
            return GlyphSizeText();
        case ErrorKind::AsciiWidth:
            return QStringLiteral(
                "ASCII 글자는 폭이 절반이므로 폰트 사이즈 X는 2 이상이어야 합니다.");
        case ErrorKind::FontHeight:
            return QStringLiteral("글자 크기는 -1024에서 1024 픽셀 사이여야 합니다.");
        case ErrorKind::Threshold:
            return QStringLiteral("추출강도는 1에서 255 사이여야 합니다.");
        case ErrorKind::FaceName:
            return QStringLiteral("폰트 이름은 1에서 31바이트(한글 15자)까지입니다.");
        case ErrorKind::SkipBytes:
            return SkipBytesText();
        case ErrorKind::CannotOpen:
            return QStringLiteral("파일을 열 수 없습니다.\n%1").arg(file);
        case ErrorKind::CannotRead:
            return QStringLiteral("파일을 읽을 수 없습니다.\n%1").arg(file);
        case ErrorKind::CannotWrite:
            return QStringLiteral("파일을 저장할 수 없습니다.\n%1").arg(file);
        case ErrorKind::NoGlyphData:
            return QStringLiteral("파일에 글자 데이터가 없습니다.\n%1").arg(file);
        case ErrorKind::HeaderMismatch:
            return QStringLiteral("파일 머리의 크기나 범위가 지정한 값과 다릅니다.\n%1").arg(file);
        case ErrorKind::Unknown:
            break;
    }
    return QStringLiteral("작업을 마치지 못했습니다.\n%1")
        .arg(QString::fromStdString(failure.message));
}

void ShowError(QWidget* parent, const Result& failure) {
    if (failure) return;
    QMessageBox box(QMessageBox::Warning, kCaption, ErrorText(failure), QMessageBox::Ok, parent);
    box.setDetailedText(QString::fromStdString(failure.message));
    box.exec();
}

void ShowError(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, kCaption, text);
}

}  // namespace brivo
