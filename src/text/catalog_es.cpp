#include "text/catalog.h"

namespace zel::text {

// The CN edition's texts: the edition is Spanish.
std::string_view SpanishText(TextId id) {
    switch (id) {
        case TextId::kNoMouse:
            return "Por favor inserte el【KV270 Gaming Mouse】";
        case TextId::kAccessRefused:
            return "El【KV270 Gaming Mouse】está conectado ({node}), pero se ha denegado el "
                   "acceso.\n"
                   "Instale la regla de udev (véase ZEL_GMouse(1), ACCESS TO THE MOUSE) y vuelva a "
                   "conectar el "
                   "ratón.";
        case TextId::kUploadNotReceived:
            return "El ratón no recibió el perfil completo (¿se desconectó?); el perfil no se "
                   "aplicó.";

        case TextId::kFileMissing:
            return "el archivo no existe";
        case TextId::kFileDanglingLink:
            return "es un enlace simbólico a un archivo que no existe";
        case TextId::kFileIsFolder:
            return "es una carpeta, no un archivo";
        case TextId::kFileNotRegular:
            return "no es un archivo normal";
        case TextId::kFileNoPermission:
            return "permiso denegado";
        case TextId::kFileTooLarge:
            return "el archivo ocupa más de 1 MiB";
        case TextId::kFileNoFolder:
            return "su carpeta no existe";
        case TextId::kFileReadOnlyFolder:
            return "la carpeta es de solo lectura";
        case TextId::kFileReadOnlyFileSystem:
            return "el sistema de archivos es de solo lectura";
        case TextId::kFileDiskFull:
            return "el disco está lleno";
        case TextId::kFileWriteProtected:
            return "el archivo está protegido contra escritura";
        case TextId::kFileUnstorableValue:
            return "un valor no se puede guardar en el archivo";
        case TextId::kFileIoError:
            return "error de entrada/salida";

        case TextId::kProfileCannotImport:
            return "No se puede importar \"{file}\": {reason}.\nNo se ha importado nada.";
        case TextId::kProfileUnusableImport:
            return "El perfil de \"{file}\" deja sin clic izquierdo todos los botones o no tiene "
                   "ningún nivel de DPI activado.\nNo se ha importado nada.";
        case TextId::kProfileNoProfileInFile:
            return "\"{file}\" no contiene ningún perfil del ratón (falta la sección "
                   "[{section}]).\nNo se ha importado nada.";
        case TextId::kProfileWriteFailed:
            return "No se ha podido guardar el perfil en \"{file}\"{reason}.";
        case TextId::kProfileMissingTemplate:
            return "Falta la plantilla [{section}] en \"{file}\".\n"
                   "Ese perfil ha recibido los valores de fábrica.";
        case TextId::kProfileResetNotSaved:
            return "No se han podido guardar los valores de fábrica en \"{file}\"{reason}.\n"
                   "El restablecimiento no se ha guardado.";

        case TextId::kConfigMissingFile:
            return "No se ha encontrado \"{file}\".\nSe han cargado los valores de fábrica en el "
                   "perfil {n} y se han guardado en él.";
        case TextId::kConfigMissingProfile:
            return "\"{file}\" no contiene los ajustes del perfil {n}.\nSe han cargado los "
                   "valores de fábrica y se han guardado en él.";
        case TextId::kConfigUnreadable:
            return "No se puede leer \"{file}\": {reason}.\n"
                   "Se usan los valores de fábrica en el perfil {n}; el archivo no se modifica.";
        case TextId::kConfigNotWritten:
            return "\nNo se han podido guardar en el archivo.";
        case TextId::kConfigCannotRead:
            return "No se puede leer \"{file}\": {reason}.\nNo se ha enviado nada al ratón ni "
                   "se ha guardado nada.";

        case TextId::kNoSettingsFolder:
            return "no se encuentra la carpeta de ajustes: ni XDG_CONFIG_HOME ni HOME indican una "
                   "ruta absoluta";
        case TextId::kSettingsFolderNotMade:
            return "no se puede crear la carpeta de ajustes {folder}: {reason}; los ajustes y las "
                   "macros no se pueden guardar";
        case TextId::kSettingsFolderReadOnly:
            return "no se puede escribir en la carpeta de ajustes {folder}: {reason}; los ajustes "
                   "y las macros no se pueden guardar";
        case TextId::kSettingsFileNotCopied:
            return "no se puede copiar {source} en {file}: {reason}; los ajustes y las macros no "
                   "se pueden guardar";
        case TextId::kLocaleEditionNotWritten:
            return "no se puede guardar la edición del idioma en {file}";

        case TextId::kInputReportsMissing:
            return "La colección de entrada del ratón no tiene informes de entrada, así que el "
                   "ratón no se puede usar.";
        case TextId::kFeatureReportsMissing:
            return "La colección de características del ratón no tiene informes de "
                   "características, así que el ratón no se puede usar.";
        case TextId::kInputReportsTooLong:
            return "Los informes de entrada del ratón ocupan {n} bytes; este programa admite como "
                   "máximo {max} bytes, así que el ratón no se puede usar.";
        case TextId::kFeatureReportsTooLong:
            return "Los informes de características del ratón ocupan {n} bytes; este programa "
                   "admite como máximo {max} bytes, así que el ratón no se puede usar.";
        case TextId::kDeviceEventsFailed:
            return "la espera de los eventos del dispositivo ha fallado; el programa termina";

        case TextId::kLayoutFileMissing:
            return "Perfil no encontrado";
        case TextId::kLayoutFileMalformed:
            return "Cargando error ini\xEF\xBC\x81";  // the full-width exclamation mark U+FF01

        case TextId::kMacroStepsOverflow:
            return "Desbordamiento !!!";
        case TextId::kMacroCannotImport:
            return "No se pueden importar las macros de {file}: {reason}.";
        case TextId::kMacroCannotSave:
            return "No se pueden guardar las macros en {file}";
        case TextId::kMacroCannotSaveBecause:
            return "No se pueden guardar las macros en {file}: {reason}";

        case TextId::kStepMenuTitle:
            return "Macro";
        case TextId::kStepMenuInsertBefore:
            return "Insertar antes del elemento    ";
        case TextId::kStepMenuInsertAfter:
            return "Insertar después del elemento  ";
        case TextId::kStepMenuLeftButton:
            return "Botón izquierdo ";
        case TextId::kStepMenuRightButton:
            return "Clic derecho";
        case TextId::kStepMenuMiddleButton:
            return "Botón central";
        case TextId::kStepMenuMiddleButtonAfter:
            return "Botón central ";
        case TextId::kStepMenuPress:
        case TextId::kStepMenuLeftPress:
            return "Pulsación";
        case TextId::kStepMenuRelease:
            return "Liberación";
        case TextId::kStepMenuReleaseSpaced:
            return "Liberación ";
        case TextId::kStepMenuModifyDelay:
            return "Modificar el retraso";
        case TextId::kStepMenuDelete:
            return "Eliminar";

        case TextId::kTrayMenuTitle:
            return "Escritorio";
        case TextId::kTrayMenuShowWindow:
            return "Mostrar ventana";
        case TextId::kTrayMenuExit:
            return "Salir";

        case TextId::kWindowMenuMinimise:
            return "Mi&nimizar";
        case TextId::kWindowMenuAbout:
            return "&Acerca de ZEL_GMouse...";
        case TextId::kAboutCaption:
            return "Acerca de ZEL_GMouse";
        case TextId::kAboutText:
            return "ZEL_GMouse versión {version}";

        case TextId::kRecord:
            return "Grabación";
        case TextId::kStopRecording:
            return "Parar";
        case TextId::kMinimiseControl:
            return "Minimizar";
        case TextId::kCloseControl:
            return "Cerrar";

        case TextId::kRecordingHint:
            return "Graba cada tecla hasta Parar, o hasta mantener Escape pulsada un segundo; "
                   "un Escape breve se graba, la tecla que pulsó Grabación no.";
        case TextId::kWindowName:
            return "Ratón de juego KV270";
        case TextId::kImportProfileControl:
            return "Importar perfil";
        case TextId::kExportProfileControl:
            return "Exportar perfil";
        case TextId::kImportMacrosControl:
            return "Importar macros";
        case TextId::kExportMacrosControl:
            return "Exportar macros";
        case TextId::kAddMacroControl:
            return "Añadir macro";
        case TextId::kDeleteMacroControl:
            return "Eliminar macro";
        case TextId::kSetRepeatCountControl:
            return "Fijar repeticiones";
        case TextId::kLevelOnName:
            return "{label} activo";
        case TextId::kLevelDpiName:
            return "{label} PPP";
        case TextId::kPressStepsName:
            return "Pasos de pulsar: {n}";
        case TextId::kReleaseStepsName:
            return "Pasos de soltar: {n}";
        case TextId::kDpiValue:
            return "{n} PPP";
    }
    return {};
}

}  // namespace zel::text
