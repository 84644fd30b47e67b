#include "CommandLine.h"

#include <algorithm>
#include <cctype>

namespace zelvo {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

int hexValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// A '%' not followed by two hexadecimal digits is kept as it is: a URI typed
// by hand may carry a bare '%' in a folder's name.
std::string percentDecoded(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
            continue;
        }
        bytes.push_back(text[i]);
    }
    return bytes;
}

StartRequest wrongUsage(std::string error)
{
    return {StartRequest::Action::WrongUsage, {}, std::move(error)};
}

} // namespace

StartRequest parseCommandLine(std::span<const char* const> arguments)
{
    StartRequest request;
    bool optionsEnded = false;
    for (const char* raw : arguments) {
        const std::string_view argument(raw);
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (isOption && (argument == "--help" || argument == "-h"))
            return {StartRequest::Action::ShowHelp, {}, {}};
        if (isOption && argument == "--version")
            return {StartRequest::Action::ShowVersion, {}, {}};
        if (isOption)
            return wrongUsage("opción desconocida «" + std::string(argument) +
                              "»; pruebe «zelvo --help»");
        if (request.folder)
            return wrongUsage("sobra el argumento «" + std::string(argument) +
                              "»: Zelvo abre una sola carpeta");
        request.folder = std::string(argument);
    }
    return request;
}

std::string helpText()
{
    return "Uso: zelvo [OPCIÓN] [CARPETA]\n"
           "Busca en una carpeta los archivos cuyo contenido es idéntico byte a byte,\n"
           "los muestra agrupados y borra, tras confirmarlo, las copias que se elijan.\n"
           "\n"
           "Sin CARPETA, Zelvo empieza en la carpeta desde la que se inicia. Con ella,\n"
           "empieza en CARPETA como si se hubiera iniciado desde allí: muestra sus\n"
           "archivos y su registro de actividad es el archivo «Zelvo.log» de CARPETA.\n"
           "CARPETA puede ser una ruta o un URI file://.\n"
           "\n"
           "  -h, --help     muestra esta ayuda y termina\n"
           "      --version  muestra la versión y termina\n"
           "\n"
           "Estado de salida: 0 si todo va bien; 1 si CARPETA no existe, no es una\n"
           "carpeta o no se puede abrir, o si no hay pantalla gráfica; 2 si los\n"
           "argumentos no son válidos.\n"
           "Más información en «man zelvo» y en la ayuda del programa (F1).\n";
}

std::optional<std::string> missingDisplay(const DisplayEnvironment& environment)
{
    if (!environment.x11.empty() || !environment.wayland.empty() || !environment.platform.empty())
        return std::nullopt;
    return "no hay ninguna pantalla gráfica en la que abrir la ventana "
           "(ni DISPLAY ni WAYLAND_DISPLAY están definidas)";
}

std::string unreachableDisplay(const DisplayEnvironment& environment)
{
    const bool chosenPlatform = !environment.platform.empty() && environment.platform != "xcb" &&
                                !environment.platform.starts_with("wayland");
    if (chosenPlatform)
        return "no se puede abrir la ventana con la plataforma «" + environment.platform + "»";
    const std::string& display = environment.x11.empty() ? environment.wayland : environment.x11;
    if (display.empty())
        return *missingDisplay({});
    return "no se puede abrir la ventana en la pantalla «" + display + "»";
}

std::optional<std::string> localPathOf(std::string_view argument)
{
    if (!startsWithNoCase(argument, "file:"))
        return std::string(argument);
    std::string_view rest = argument.substr(5);
    // file:///path and file://localhost/path name a local file; file:/path
    // is the short form some programs write.
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && startsWithNoCase(host, "localhost")))
            return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/'))
        return std::nullopt;
    std::string path = percentDecoded(rest);
    // A path holds no NUL byte: %00 cannot name a folder.
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

} // namespace zelvo
