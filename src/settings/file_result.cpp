#include "settings/file_result.h"

#include <cerrno>

#include "platform/edition.h"

namespace zel::ini {
namespace {

struct ProblemTexts {
    std::string_view english;
    std::string_view spanish;
};

ProblemTexts TextsOf(FileProblem problem) {
    switch (problem) {
        case FileProblem::kNone:
            return {"", ""};
        case FileProblem::kMissing:
            return {"no such file", "el archivo no existe"};
        case FileProblem::kDanglingLink:
            return {"a symbolic link to a file that does not exist",
                    "es un enlace simbólico a un archivo que no existe"};
        case FileProblem::kFolder:
            return {"it is a folder, not a file", "es una carpeta, no un archivo"};
        case FileProblem::kNotRegularFile:
            return {"not a regular file", "no es un archivo normal"};
        case FileProblem::kNoPermission:
            return {"permission denied", "permiso denegado"};
        case FileProblem::kTooLarge:
            return {"the file is larger than 1 MiB", "el archivo ocupa más de 1 MiB"};
        case FileProblem::kNoFolder:
            return {"its folder does not exist", "su carpeta no existe"};
        case FileProblem::kReadOnlyFolder:
            return {"the folder is read-only", "la carpeta es de solo lectura"};
        case FileProblem::kReadOnlyFileSystem:
            return {"the file system is read-only", "el sistema de archivos es de solo lectura"};
        case FileProblem::kDiskFull:
            return {"the disk is full", "el disco está lleno"};
        case FileProblem::kWriteProtected:
            return {"the file is write-protected", "el archivo está protegido contra escritura"};
        case FileProblem::kUnstorableValue:
            return {"a value cannot be stored in the file",
                    "un valor no se puede guardar en el archivo"};
        case FileProblem::kIoError:
            break;
    }
    return {"input/output error", "error de entrada/salida"};
}

}  // namespace

FileResult FileResult::Failure(FileProblem problem) {
    return {problem, std::string(FileProblemText(problem))};
}

std::string_view FileProblemText(FileProblem problem, std::int32_t languageFlag) {
    const ProblemTexts texts = TextsOf(problem);
    return platform::IsEnglishEdition(languageFlag) ? texts.english : texts.spanish;
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
