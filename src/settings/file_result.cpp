#include "settings/file_result.h"

#include <cerrno>

#include "text/catalog.h"

namespace zel::ini {
namespace {

text::TextId TextOf(FileProblem problem) {
    switch (problem) {
        case FileProblem::kNone:
            break;
        case FileProblem::kMissing:
            return text::TextId::kFileMissing;
        case FileProblem::kDanglingLink:
            return text::TextId::kFileDanglingLink;
        case FileProblem::kFolder:
            return text::TextId::kFileIsFolder;
        case FileProblem::kNotRegularFile:
            return text::TextId::kFileNotRegular;
        case FileProblem::kNoPermission:
            return text::TextId::kFileNoPermission;
        case FileProblem::kTooLarge:
            return text::TextId::kFileTooLarge;
        case FileProblem::kNoFolder:
            return text::TextId::kFileNoFolder;
        case FileProblem::kReadOnlyFolder:
            return text::TextId::kFileReadOnlyFolder;
        case FileProblem::kReadOnlyFileSystem:
            return text::TextId::kFileReadOnlyFileSystem;
        case FileProblem::kDiskFull:
            return text::TextId::kFileDiskFull;
        case FileProblem::kWriteProtected:
            return text::TextId::kFileWriteProtected;
        case FileProblem::kUnstorableValue:
            return text::TextId::kFileUnstorableValue;
        case FileProblem::kIoError:
            break;
    }
    return text::TextId::kFileIoError;
}

}  // namespace

FileResult FileResult::Failure(FileProblem problem) {
    return {problem, std::string(FileProblemText(problem))};
}

std::string_view FileProblemText(FileProblem problem, std::int32_t languageFlag) {
    if (problem == FileProblem::kNone) {
        return {};
    }
    return text::Text(TextOf(problem), languageFlag);
}

FileProblem FileProblemOfErrno(int error, bool writing) {
    switch (error) {
        case ENOENT:
            return writing ? FileProblem::kNoFolder : FileProblem::kMissing;
        case EACCES:
        case EPERM:
            return writing ? FileProblem::kReadOnlyFolder : FileProblem::kNoPermission;
        case EROFS:
            return FileProblem::kReadOnlyFileSystem;
        case ENOSPC:
        case EDQUOT:
            return FileProblem::kDiskFull;
        case EISDIR:
            return FileProblem::kFolder;
        case ENOTDIR:
            return FileProblem::kNoFolder;
        default:
            return FileProblem::kIoError;
    }
}

}  // namespace zel::ini
