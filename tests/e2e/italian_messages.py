"""The texts Quadrivo shows, built from their pieces as the user reads them."""

Q = '"'
CRLF = "\r\n"


def update_completed(program):
    return "L'Aggiornamento di " + Q + program + Q + " è stato regolarmente eseguito."


def update_cancelled(program):
    text = (
        "AGGIORNAMENTO ANNULLATO perchè " + Q + program + Q + " non risulta installato." + CRLF
        + "Si fa presente che per la normale installazione è richiesto l'intero pacchetto con "
        "tutti i Files e le Librerie necessarie per il normale funzionamento del Programma."
    )
    if program == "Zembrolasi":
        text += CRLF + CRLF + "Richiedere il CD all'Ostravelo o contattare il fornitore."
    return text


def update_failed(program, source, destination, advice):
    return (
        "AGGIORNAMENTO NON RIUSCITO: non è stato possibile copiare " + Q + source + Q + " in "
        + Q + destination + Q + "." + CRLF + advice
        + ": i file dell'aggiornamento non sono stati rimossi."
    )


# The second line of a failed update, by the cause of the failure.
def in_use(program):
    return "Chiudere " + Q + program + Q + " se è aperto e ripetere l'aggiornamento"


NO_SPACE = "Liberare spazio sul disco e ripetere l'aggiornamento"
AS_ADMINISTRATOR = "Ripetere l'aggiornamento come amministratore"
RETRY = "Ripetere l'aggiornamento"
PROTECTED = ("Il file è protetto anche per l'amministratore; rivolgersi a chi gestisce questo "
             "computer e ripetere l'aggiornamento")
NOT_PUBLISHERS = ("Il nuovo programma non reca la firma digitale del produttore; richiedere al "
                  "fornitore un aggiornamento integro")


def price_list_placed(price_list, install_folder):
    return (
        "Il Prezzario " + price_list + " è stato regolarmente copiato nella cartella "
        + install_folder + "Prezzari"
    )


def default_folder(folder):
    return (
        "Poichè il Programma di Contabilità " + Q + "Lindarex" + Q
        + " non risulta Installato, il Prezzario sarà copiato nella Cartella di Default " + folder
    )
