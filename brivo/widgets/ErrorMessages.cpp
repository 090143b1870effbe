#include "widgets/ErrorMessages.h"

#include <QMessageBox>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace brivo {

namespace {
const QString kCaption = QStringLiteral("오류");

// The reasons the system gives in its own words, in Korean with the system's text beside it.
QString SystemReason(const std::string& reason) {
    static const std::pair<int, const char*> kKorean[] = {
        {ENOENT, "파일이나 폴더가 없습니다"},
        {EACCES, "권한이 없습니다"},
        {EPERM, "허용되지 않는 작업입니다"},
        {EROFS, "읽기 전용 파일 시스템입니다"},
        {ENOSPC, "디스크에 남은 공간이 없습니다"},
        {EDQUOT, "디스크 할당량을 넘었습니다"},
        {EISDIR, "폴더입니다"},
        {ENOTDIR, "경로 중간에 폴더가 아닌 것이 있습니다"},
        {ENAMETOOLONG, "파일 이름이 너무 깁니다"},
        {ELOOP, "심볼릭 링크가 너무 많이 이어집니다"},
        {EIO, "입출력 오류입니다"},
        {EFBIG, "파일이 너무 큽니다"},
        {EMFILE, "열린 파일이 너무 많습니다"},
        {ENFILE, "열린 파일이 너무 많습니다"},
        {ETXTBSY, "실행 중인 파일입니다"},
        {EBUSY, "장치나 자원이 사용 중입니다"},
    };
    for (const auto& [error, korean] : kKorean)
        if (reason == std::strerror(error))
            return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(korean),
                                                 QString::fromStdString(reason));
    return {};
}

// The reason of a file failure in Korean: the file functions' own reasons translated, the
// system's as SystemReason gives them, anything else as it is.
QString FileReason(const std::string& reason) {
    static const std::pair<const char*, const char*> kKorean[] = {
        {"it is a folder", "폴더입니다"},
        {"it is read-only", "읽기 전용 파일입니다"},
        {"it is not a regular file (a device, FIFO or socket)",
         "일반 파일이 아닙니다(장치, FIFO 또는 소켓)"},
        {"it is neither a regular file nor a character device or FIFO",
         "일반 파일도 문자 장치나 FIFO도 아닙니다"},
        {"no program is reading from it", "이 FIFO를 읽는 프로그램이 없습니다"},
        {"the save has ended", "저장이 이미 끝났습니다"},
    };
    for (const auto& [english, korean] : kKorean)
        if (reason == english) return QString::fromUtf8(korean);
    const std::string_view text = reason;
    for (const auto& [ending, korean] :
         {std::pair<std::string_view, const char*>{" does not exist", "폴더가 없습니다: %1"},
          {" is not writable", "폴더에 쓸 수 없습니다: %1"}})
        if (text.starts_with("folder ") && text.ends_with(ending))
            return QString::fromUtf8(korean).arg(
                QString::fromStdString(reason.substr(7, reason.size() - 7 - ending.size())));
    if (QString system = SystemReason(reason); !system.isEmpty()) return system;
    return QString::fromStdString(reason);
}

// The reason in the core's "cannot write FILE: REASON" or "FILE: REASON", "" without one.
std::string ReasonOf(const Result& failure) {
    std::string_view text = failure.message;
    for (std::string_view verb :
         {"cannot write ", "cannot open ", "cannot read ", "cannot remove "})
        if (text.starts_with(verb)) {
            text.remove_prefix(verb.size());
            break;
        }
    const std::string file = failure.subject + ": ";
    if (!failure.subject.empty() && text.starts_with(file))
        return std::string(text.substr(file.size()));
    // Another file of the same save (the code table beside a font): its name up to ": ".
    if (const std::size_t colon = text.find(": ");
        colon != std::string_view::npos &&
        text.substr(0, colon).find('/') != std::string_view::npos)
        return std::string(text.substr(colon + 2));
    return {};
}
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
        case ErrorKind::NotCodeTable:
            return QStringLiteral(
                       "폰트 파일 옆의 코드 테이블이 이 파일에 맞지 않아 불러오지 않았습니다. "
                       "다른 폰트의 코드가 붙지 않도록, 코드 테이블을 옮기거나 지운 뒤 다시 "
                       "불러오십시오.\n%1")
                .arg(file);
        case ErrorKind::Unknown:
            break;
    }
    return QStringLiteral("작업을 마치지 못했습니다.\n%1")
        .arg(QString::fromStdString(failure.message));
}

QString ErrorDetail(const Result& failure) {
    if (failure) return {};
    if (failure.subject.empty()) {
        // A value refused: the core ends its message with ", not VALUE".
        const std::size_t given = failure.message.rfind(", not ");
        if (given == std::string::npos) return {};
        return QStringLiteral("입력한 값: %1")
            .arg(QString::fromStdString(failure.message.substr(given + 6)));
    }
    QString detail = QStringLiteral("파일: %1").arg(QString::fromStdString(failure.subject));
    if (failure.kind == ErrorKind::NoGlyphData || failure.kind == ErrorKind::NotCodeTable)
        return detail;
    if (const std::string reason = ReasonOf(failure); !reason.empty())
        detail += QStringLiteral("\n이유: %1").arg(FileReason(reason));
    return detail;
}

void ShowError(QWidget* parent, const Result& failure) {
    if (failure) return;
    QMessageBox box(QMessageBox::Warning, kCaption, ErrorText(failure), QMessageBox::Ok, parent);
    box.setDetailedText(ErrorDetail(failure));
    box.exec();
}

void ShowError(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, kCaption, text);
}

}  // namespace brivo
